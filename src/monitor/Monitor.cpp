#include "monitor/Monitor.h"

#include "core/Clock.h"
#include "core/Model.h"

namespace quillet {

Monitor::Monitor(Model& model, QObject* parent)
    : QObject(parent)
    , model_(model)
    , checkCycle_(model)
    , actions_(new ActionRunner(model, deliveries_, this))
{
    runActions = [this](const RunOrder& order, std::function<void()> done) {
        actions_->run(order, std::move(done));
    };
}

void Monitor::requestCheck()
{
    checkWaiting_ = true;
    next();
}

void Monitor::requestRun()
{
    requestRun(RunCause::User, {});
}

void Monitor::requestRun(RunCause cause, const QList<Action>& actions)
{
    // One waiting run: the user's, when any asked, which runs every ticked action.
    runWaiting_ = runWaiting_ == RunCause::User || cause == RunCause::User ? RunCause::User
                  : runWaiting_ == RunCause::Change                        ? RunCause::Change
                                                                           : cause;
    for (const Action action : actions) {
        if (!owed_.contains(action))
            owed_ << action;
    }
    next();
}

void Monitor::next()
{
    if (stopped_)
        return;
    if (!running_ && runWaiting_) {
        RunOrder order{*std::exchange(runWaiting_, std::nullopt), std::exchange(owed_, {}),
                       checkCycle_.lastKnown(), checkCycle_.lookupProblem(),
                       checkCycle_.addressFilePath()};
        if (order.cause == RunCause::User) {
            order.actions.clear();
            for (const Action action : kActions) {
                if (isTicked(model_.settings(), action))
                    order.actions << action;
            }
        } else {
            // A check during the last run saw as owed what that run has since delivered.
            const QList<Action> due = deliveries_.due(model_.settings(), order.addresses,
                                                      order.cause == RunCause::Change, now());
            order.actions.removeIf([&due](Action action) { return !due.contains(action); });
        }
        running_ = true;
        runActions(order, [this] {
            running_ = false;
            ended();
        });
    }
    if (!checking_ && std::exchange(checkWaiting_, false)) {
        checking_ = true;
        checkCycle_.check([this](bool changed) { checked(changed); });
    }
}

void Monitor::checked(bool changed)
{
    checking_ = false;
    if (checkCycle_.lookupProblem().isEmpty()) {
        deliveries_.forgetUnticked(model_.settings(), checkCycle_.lastKnown());
        const QList<Action> owed =
            deliveries_.due(model_.settings(), checkCycle_.lastKnown(), changed, now());
        if (changed || !owed.isEmpty())
            requestRun(changed ? RunCause::Change : RunCause::Retry, owed);
    }
    ended();
}

void Monitor::ended()
{
    next();
    if (!busy())
        emit idle();
}

} // namespace quillet
