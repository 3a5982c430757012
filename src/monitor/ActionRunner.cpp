#include "monitor/ActionRunner.h"

#include "actions/EmailAction.h"
#include "actions/FtpUpload.h"
#include "actions/UrlCall.h"
#include "core/Clock.h"
#include "core/Model.h"

namespace quillet {

namespace {

QString statusPrefix(Action action, bool success)
{
    const char* const names[] = {"Send Email", "FTP Upload", "DDNS Update", "URL Execute"};
    return QLatin1String(names[static_cast<int>(action)]) +
           (success ? QLatin1String(" Success @ ") : QLatin1String(" Failure @ "));
}

} // namespace

ActionRunner::ActionRunner(Model& model, QObject* parent)
    : QObject(parent)
    , model_(model)
    , email_(new EmailAction(this))
{
    connect(email_, &EmailAction::started, &model_, &Model::clearTranscript);
    connect(email_, &EmailAction::transcript, &model_, &Model::appendTranscript);
    connect(email_, &EmailAction::progress, this,
            [this](const QString& reply) { model_.setStatusTip(Action::Email, reply); });
}

// Each step reads the settings when it starts, so an edit counts from the next step on.
void ActionRunner::run(RunCause cause, const Addresses& addresses, const QString& addressFile,
                       std::function<void()> done)
{
    // Keeps a second run from being started from the window while one is in progress.
    model_.setRunning(true);
    cause_ = cause;
    addresses_ = addresses;
    addressFile_ = addressFile;
    done_ = std::move(done);
    ran_.clear();
    othersEnded_ = false;
    sendEmail();
}

void ActionRunner::sendEmail()
{
    if (model_.settings().email.enabled) {
        ran_.append(Action::Email);
        // Only starts the dialogue; the server's replies drive it while the others run.
        email_->send(model_.settings().email, addresses_, model_.hostName(),
                     [this](const Outcome& outcome) {
                         report(Action::Email, outcome);
                         finish();
                     });
    }
    uploadFile();
}

void ActionRunner::uploadFile()
{
    if (!model_.settings().ftp.enabled)
        return updateDynDns();
    ran_.append(Action::Ftp);
    // Written back so the user sees, and the settings file keeps, what was used.
    Settings settings = model_.settings();
    settings.ftp.remotePath = normalisedFtpPath(settings.ftp.remotePath);
    model_.setSettings(settings);
    quillet::uploadFile(settings.ftp, addressFile_, [this](const Outcome& outcome) {
        report(Action::Ftp, outcome);
        updateDynDns();
    });
}

void ActionRunner::updateDynDns()
{
    if (!model_.settings().dynDns.enabled)
        return callUrl();
    ran_.append(Action::DynDns);
    dynDns_.update(model_.settings().dynDns, addresses_.external, cause_,
                   [this](const Outcome& outcome) {
                       report(Action::DynDns, outcome);
                       callUrl();
                   });
}

void ActionRunner::callUrl()
{
    const auto ended = [this] {
        othersEnded_ = true;
        finish();
    };
    if (!model_.settings().url.enabled)
        return ended();
    ran_.append(Action::Url);
    quillet::callUrl(model_.settings().url, addresses_, [this, ended](const Outcome& outcome) {
        report(Action::Url, outcome);
        ended();
    });
}

// The run ends when the others and the e-mail have all ended, whichever ends last.
void ActionRunner::finish()
{
    if (!othersEnded_ || email_->busy() || !done_)
        return;
    QStringList failed;
    for (const Action action : ran_) {
        if (!model_.status(action).success)
            failed << actionName(action);
    }
    model_.setFailedActions(failed);
    model_.setRunning(false);
    if (auto done = std::exchange(done_, nullptr))
        done();
}

void ActionRunner::report(Action action, const Outcome& outcome)
{
    model_.setStatus(action, {statusPrefix(action, outcome.success) + nowStamp(), outcome.success,
                              outcome.detail});
}

} // namespace quillet
