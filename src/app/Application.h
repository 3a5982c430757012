#pragma once

#include "app/SettingsStore.h"
#include "core/Model.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace quillet {

class MainWindow;
class Monitor;
class TrayController;

// The program's run: start-up, the check timer and shutdown around the model, the settings
// store, the monitor that checks and acts, the tray icon and the window, which is built only
// when first needed.
class Application : public QObject {
    Q_OBJECT

public:
    Application();
    ~Application() override;

    // Start-up: decides where the files are, loads the settings, puts the icon in the tray,
    // runs one check and arms the check timer. No window is built. `atLogin`: started at
    // login (--autostart). False when the program was asked to end meanwhile (a signal while
    // the prompt for a computer name was open): it has ended, and written nothing.
    bool start(bool atLogin = false);
    // The platform asked the program to end: shut down as the window's close box does.
    void requestShutdown();

    // "refresh" and the timer: one check, now or once the work under way has ended.
    void checkNow();
    // "Execute Selected Actions".
    void runActionsNow();
    // Another start asked for the window: shown as a left click on the icon shows it.
    void showWindow();

    Model& model() { return model_; }
    Monitor& monitor() { return *monitor_; }
    TrayController& tray() { return *tray_; }
    SettingsStore& settingsStore() { return *store_; }
    // The window, built now if it was not yet (null once the program is ending).
    MainWindow* window();
    bool checkTimerArmed() const { return checkTimer_.isActive(); }

    // How often the addresses are checked.
    static constexpr int kCheckIntervalMs = 120000;

signals:
    // The program begins to end: no other copy should count on this one.
    void ending();
    // Clean-up is done; the process may end.
    void finished();

private:
    void shutDown();

    Model model_;
    Monitor* monitor_;
    SettingsStore* store_ = nullptr;
    TrayController* tray_ = nullptr;
    std::unique_ptr<MainWindow> window_;
    QTimer checkTimer_;
    bool starting_ = false;
    bool endWhenStarted_ = false;
    bool shutDown_ = false;
};

} // namespace quillet
