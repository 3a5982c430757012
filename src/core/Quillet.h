#pragma once

#include "core/RunState.h"

#include <QObject>

#include <functional>
#include <memory>

namespace quillet {

class frmMain;

namespace platform {
struct VersionRecord;
}

inline constexpr int kCheckTimerId = 1;
inline constexpr int kCheckIntervalMs = 120000;

// Company, product and version as "Tarnwick Quillet 2.5.6".
QString BuildAppTitle(const platform::VersionRecord& version);

// The program's run: start-up, the check timer and shutdown around the one main window.
class Quillet : public QObject {
    Q_OBJECT

public:
    Quillet();
    ~Quillet() override;

    // Start-up: creates the hidden main window, initialises it, runs one check and arms
    // the check timer.
    void Main();

    // The platform asked the program to end: shut down as the window's close box does.
    void requestShutdown();

    frmMain& form() { return *form_; }
    RunState& state() { return run_; }

    void CheckIPChange();
    // "Execute Selected Actions".
    void ExecuteActions();

    // Tests watch the action runs through this; it is ExecuteActions otherwise.
    std::function<void(frmMain&, RunCause)> actionRunner;

signals:
    // Clean-up is done; the process may end.
    void finished();

private:
    void Form_Load();
    void Form_Unload();
    void CleanUp();
    // False when there is no address file.
    bool readPreviousAddresses();
    void runActions(RunCause cause);

    std::unique_ptr<frmMain> form_;
    RunState run_;
    bool cleanedUp_ = false;
    bool configKept_ = false;
};

} // namespace quillet
