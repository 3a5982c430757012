#include "monitor/Monitor.h"

namespace quillet {

Monitor::Monitor(Model& model, QObject* parent)
    : QObject(parent)
    , checkCycle_(model)
    , actions_(new ActionRunner(model, this))
{
    runActions = [this](RunCause cause, std::function<void()> done) {
        actions_->run(cause, checkCycle_.addressFilePath(), std::move(done));
    };
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
        runActions(*cause, finished);
    } else if (std::exchange(checkWaiting_, false)) {
        busy_ = true;
        checkCycle_.check([this, finished](bool changed) {
            if (changed)
                requestRun(RunCause::Change);
            finished();
        });
    }
}

} // namespace quillet
