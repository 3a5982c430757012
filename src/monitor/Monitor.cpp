#include "monitor/Monitor.h"

#include "core/RunState.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"

namespace quillet {

Monitor::Monitor(Model& model, RunState& run, EmailAction& email, QObject* parent)
    : QObject(parent)
    , actionRunner([&model, &run, &email](RunCause cause, std::function<void()> done) {
        ExecuteActions(model, run, email, cause, std::move(done));
    })
    , model_(model)
    , run_(run)
{
}

void Monitor::requestCheck()
{
    checkWaiting_ = true;
    next();
}

void Monitor::requestRun(RunCause cause)
{
    // One waiting run: the user's, when both asked, which also releases a held DynDNS update.
    runWaiting_ = runWaiting_ == RunCause::User ? RunCause::User : cause;
    next();
}

void Monitor::next()
{
    if (busy_ || stopped_)
        return;
    const auto finished = [this] {
        busy_ = false;
        next();
        if (!busy_)
            emit idle();
    };
    // A run asked for by a check's change goes before the next check.
    if (const std::optional<RunCause> cause = std::exchange(runWaiting_, std::nullopt)) {
        busy_ = true;
        actionRunner(*cause, finished);
    } else if (std::exchange(checkWaiting_, false)) {
        busy_ = true;
        CheckIPChange(
            model_, run_, [this] { requestRun(RunCause::Change); }, finished);
    }
}

} // namespace quillet
