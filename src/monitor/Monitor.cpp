#include "monitor/Monitor.h"

#include "core/Model.h"

namespace quillet {

Monitor::Monitor(Model& model, QObject* parent)
    : QObject(parent)
    , model_(model)
    , checkCycle_(model)
    , actions_(new ActionRunner(model, this))
{
    runActions = [this](RunCause cause, std::function<void()> done) {
        // A change is acted on with the addresses it found, whatever a later check showed;
        // the user's run with those shown.
        const Addresses addresses =
            cause == RunCause::Change ? checkCycle_.lastKnown() : model_.addresses();
        actions_->run(cause, addresses, checkCycle_.addressFilePath(), std::move(done));
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
    if (stopped_)
        return;
    if (!running_ && runWaiting_) {
        running_ = true;
        runActions(*std::exchange(runWaiting_, std::nullopt), [this] {
            running_ = false;
            ended();
        });
    }
    if (!checking_ && std::exchange(checkWaiting_, false)) {
        checking_ = true;
        checkCycle_.check([this](bool changed) {
            checking_ = false;
            if (changed)
                runWaiting_ = runWaiting_ == RunCause::User ? RunCause::User : RunCause::Change;
            ended();
        });
    }
}

void Monitor::ended()
{
    next();
    if (!busy())
        emit idle();
}

} // namespace quillet
