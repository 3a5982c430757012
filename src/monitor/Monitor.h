#pragma once

#include "core/Action.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"

#include <QObject>

#include <functional>
#include <optional>

namespace quillet {

class Model;

// Runs the checks and the action runs on the event loop, each one at a time: a check never
// waits for an action run (a slow server delays no check), and a run asked for while one is
// under way (the button, a change found meanwhile) runs once after it ends, as a check asked
// for while one is under way (the timer, "refresh") runs once after that one. Requests never
// pile up beyond one waiting of each kind.
class Monitor : public QObject {
    Q_OBJECT

public:
    explicit Monitor(Model& model, QObject* parent = nullptr);

    void requestCheck();
    void requestRun(RunCause cause);
    bool busy() const { return checking_ || running_; }
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
    void ended();

    Model& model_;
    CheckCycle checkCycle_;
    ActionRunner* actions_;
    bool checking_ = false;
    bool running_ = false;
    bool stopped_ = false;
    bool checkWaiting_ = false;
    std::optional<RunCause> runWaiting_;
};

} // namespace quillet
