#include "monitor/ActionRunner.h"

#include "actions/DynDnsUpdate.h"
#include "actions/EmailAction.h"
#include "actions/FtpUpload.h"
#include "actions/UrlCall.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "monitor/Deliveries.h"

namespace quillet {

namespace {

QString statusPrefix(Action action, bool success)
{
    const char* const names[] = {"Send Email", "FTP Upload", "DDNS Update", "URL Execute"};
    return QLatin1String(names[static_cast<int>(action)]) +
           (success ? QLatin1String(" Success @ ") : QLatin1String(" Failure @ "));
}

} // namespace

ActionRunner::ActionRunner(Model& model, Deliveries& deliveries, QObject* parent)
    : QObject(parent)
    , model_(model)
    , deliveries_(deliveries)
    , email_(new EmailAction(this))
{
    connect(email_, &EmailAction::started, &model_, &Model::clearTranscript);
    connect(email_, &EmailAction::transcript, &model_, &Model::appendTranscript);
    connect(email_, &EmailAction::progress, this,
            [this](const QString& reply) { model_.setStatusTip(Action::Email, reply); });
}

// Each step reads the settings when it starts, so an edit counts from the next step on.
void ActionRunner::run(const RunOrder& order, std::function<void()> done)
{
    // Keeps a second run from being started from the window while one is in progress.
    model_.setRunning(true);
    order_ = order;
    if (!watchesIPv6(model_.settings())) // nothing of IPv6 goes out unwatched
        order_.addresses.externalIPv6 = order_.addresses.internalIPv6 = QString();
    done_ = std::move(done);
    othersEnded_ = false;
    sendEmail();
}

bool ActionRunner::takes(Action action) const
{
    return order_.actions.contains(action);
}

bool ActionRunner::unknown(Action action, bool now)
{
    if (!order_.addresses.external.isEmpty() && (!now || order_.unknownBecause.isEmpty()))
        return false;
    report(action, {false, QStringLiteral("The external address is not known: ") +
                               (order_.unknownBecause.isEmpty()
                                    ? QStringLiteral("no lookup has found it yet")
                                    : order_.unknownBecause)});
    return true;
}

void ActionRunner::sendEmail()
{
    // The notice tells the last known addresses, whatever the last lookup found.
    if (takes(Action::Email) && !unknown(Action::Email, false)) {
        // Only starts the dialogue; the server's replies drive it while the others run.
        email_->send(model_.settings().email, order_.addresses, model_.hostName(),
                     [this](const Outcome& outcome) {
                         report(Action::Email, outcome);
                         finish();
                     });
    }
    uploadFile();
}

void ActionRunner::uploadFile()
{
    if (!takes(Action::Ftp) || unknown(Action::Ftp, false))
        return updateDynDns();
    // Written back so the user sees, and the settings file keeps, what was used.
    Settings settings = model_.settings();
    settings.ftp.remotePath = normalisedFtpPath(settings.ftp.remotePath);
    model_.setSettings(settings);
    quillet::uploadFile(settings.ftp, order_.addressFile, [this](const Outcome& outcome) {
        report(Action::Ftp, outcome);
        updateDynDns();
    });
}

void ActionRunner::updateDynDns()
{
    const DynDnsSettings& settings = model_.settings().dynDns;
    if (!takes(Action::DynDns) || unknown(Action::DynDns, true))
        return callUrl();
    // A refusal that must not be repeated: only the user asks again.
    if (order_.cause != RunCause::User && deliveries_.held(settings)) {
        report(Action::DynDns, {false, {}});
        return callUrl();
    }
    quillet::updateDynDns(settings, order_.addresses, [this](const Outcome& outcome) {
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
    const UrlSettings& settings = model_.settings().url;
    if (!takes(Action::Url) || unknown(Action::Url, settings.url.contains("$EXTIP$")))
        return ended();
    if (settings.url.contains("$EXTIP6$") && order_.addresses.externalIPv6.isEmpty()) {
        report(Action::Url, {false, QStringLiteral("The external IPv6 address is not known: ") +
                                        (watchesIPv6(model_.settings())
                                             ? QStringLiteral("no IPv6 lookup has found it yet")
                                             : QStringLiteral("tick \"Also watch IPv6\""))});
        return ended();
    }
    quillet::callUrl(settings, order_.addresses, [this, ended](const Outcome& outcome) {
        report(Action::Url, outcome);
        ended();
    });
}

// The run ends when the others and the e-mail have all ended, whichever ends last.
void ActionRunner::finish()
{
    if (!othersEnded_ || email_->busy() || !done_)
        return;
    const QStringList owed = deliveries_.failing(model_.settings());
    QStringList failed;
    for (const Action action : kActions) {
        if (owed.contains(actionName(action)) ||
            (lastFailed_.contains(action) && isTicked(model_.settings(), action)))
            failed << actionName(action);
    }
    model_.setFailedActions(failed);
    model_.setRunning(false);
    if (auto done = std::exchange(done_, nullptr))
        done();
}

void ActionRunner::report(Action action, const Outcome& outcome)
{
    deliveries_.record(action, outcome, order_.addresses, order_.cause, model_.settings(), now());
    lastFailed_.removeAll(action);
    if (!outcome.success)
        lastFailed_ << action;
    QStringList tip = {outcome.detail, deliveries_.note(action, model_.settings())};
    tip.removeAll(QString());
    model_.setStatus(action, {statusPrefix(action, outcome.success) + nowStamp(), outcome.success,
                              tip.join(QLatin1Char('\n'))});
}

} // namespace quillet
