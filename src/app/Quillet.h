#pragma once

#include "core/Model.h"
#include "core/RunState.h"
#include "ui/TrayWindow.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace quillet {

class EmailAction;
class Monitor;
class frmMain;

namespace platform {
struct VersionRecord;
}

inline constexpr int kCheckTimerId = 1;
inline constexpr int kCheckIntervalMs = 120000;

// Company, product and version as "Tarnwick Quillet 2.5.6".
QString BuildAppTitle(const platform::VersionRecord& version);

// The program's run: start-up, the check timer and shutdown around the model, the monitor
// that checks and acts, the tray icon and the main window, which it builds only when the
// window is first needed.
class Quillet : public QObject, public TrayWindow {
    Q_OBJECT

public:
    Quillet();
    ~Quillet() override;

    // Start-up: loads the settings, puts the icon in the tray, runs one check and arms the
    // check timer. No window is built.
    void Main();

    // The platform asked the program to end: shut down as the window's close box does.
    void requestShutdown();

    Model& model() { return model_; }
    RunState& state() { return run_; }
    Monitor& monitor() { return *monitor_; }
    EmailAction& email() { return *email_; }
    // The window, or null while it has never been needed.
    frmMain* form() const { return form_.get(); }

    // "refresh" and the timer: one check, now or once the work under way has ended.
    void CheckIPChange();
    // "Execute Selected Actions".
    void ExecuteActions();
    // Another start asked for the window: shown as a left click on the icon shows it.
    void showWindow();

    // How long after the last edit the settings are saved.
    static constexpr int kSaveDelayMs = 1000;

    QWidget* window(bool build) override;
    qint16 lastState() const override;
    void setTrayMenuItems(qint16 state) override;
    QMenu* trayMenu() override;

signals:
    // Clean-up is done; the process may end.
    void finished();

private:
    void Form_Load();
    void Form_Unload();
    void CleanUp();
    // False when there is no address file.
    bool readPreviousAddresses();
    // Writes config.txt (or, when it could not be read, config.txt.unsaved beside it).
    void save();

    Model model_;
    RunState run_;
    EmailAction* email_;
    Monitor* monitor_;
    std::unique_ptr<frmMain> form_;
    QTimer* saveSoon_;
    bool cleanedUp_ = false;
    bool configKept_ = false;
};

} // namespace quillet
