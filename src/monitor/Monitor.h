#pragma once

#include "core/Action.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"

#include <QObject>

#include <functional>
#include <optional>

namespace quillet {

class Model;

// Runs the checks and the action runs one at a time, on the event loop. One asked for
// while another is under way (the timer, "refresh", the button, a detected change) runs
// once after it ends; requests never pile up beyond one waiting of each kind.
class Monitor : public QObject {
    Q_OBJECT

public:
    explicit Monitor(Model& model, QObject* parent = nullptr);

    void requestCheck();
    void requestRun(RunCause cause);
    bool busy() const { return busy_; }
    // Nothing more starts: the program is ending.
    void stop() { stopped_ = true; }

    CheckCycle& checkCycle() { return checkCycle_; }
    ActionRunner& actions() { return *actions_; }

    // What an action run does; the runner's run, unless a test watches the runs.
    std::function<void(RunCause cause, std::function<void()> done)> runActions;

signals:
    // Nothing runs and nothing waits.
    void idle();

private:
    void next();

    CheckCycle checkCycle_;
    ActionRunner* actions_;
    bool busy_ = false;
    bool stopped_ = false;
    bool checkWaiting_ = false;
    std::optional<RunCause> runWaiting_;
};

} // namespace quillet
