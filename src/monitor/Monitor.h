#pragma once

#include "core/Action.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"
#include "monitor/Deliveries.h"

#include <QObject>

#include <functional>
#include <optional>

namespace quillet {

class Model;

// Runs the checks and the action runs on the event loop, each one at a time: a check never
// waits for an action run (a slow server delays no check), and a run asked for while one is
// under way (the button, a change found meanwhile, a delivery owed) runs once after it ends,
// for all that was asked, as a check asked for while one is under way (the timer, "refresh")
// runs once after that one. After each check that knows the addresses, the actions that owe
// them a delivery run (see Deliveries::due): a restart, too, finds what it owes.
class Monitor : public QObject {
    Q_OBJECT

public:
    explicit Monitor(Model& model, QObject* parent = nullptr);

    void requestCheck();
    // The user's run: every ticked action.
    void requestRun();
    bool busy() const { return checking_ || running_; }
    // Nothing more starts: the program is ending.
    void stop() { stopped_ = true; }

    CheckCycle& checkCycle() { return checkCycle_; }
    Deliveries& deliveries() { return deliveries_; }
    ActionRunner& actions() { return *actions_; }

    // What an action run does; the runner's run, unless a test watches the runs.
    std::function<void(const RunOrder& order, std::function<void()> done)> runActions;

signals:
    // Nothing runs and nothing waits.
    void idle();

private:
    void requestRun(RunCause cause, const QList<Action>& actions);
    void next();
    void checked(bool changed);
    void ended();

    Model& model_;
    CheckCycle checkCycle_;
    Deliveries deliveries_;
    ActionRunner* actions_;
    bool checking_ = false;
    bool running_ = false;
    bool stopped_ = false;
    bool checkWaiting_ = false;
    // The run waiting: its cause (the user's when any was), and the actions it owes.
    std::optional<RunCause> runWaiting_;
    QList<Action> owed_;
};

} // namespace quillet
