#include "monitor/ActionRunner.h"

#include "actions/DynDnsUpdate.h"
#include "actions/EmailAction.h"
#include "actions/FtpUpload.h"
#include "actions/UrlCall.h"
#include "core/Model.h"
#include "core/RunState.h"

#include <memory>

namespace quillet {

QString NormalisedFtpPath(const QString& path)
{
    QString normalised = path;
    if (!normalised.startsWith(QLatin1Char('/')))
        normalised.prepend(QLatin1Char('/'));
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised.append(QLatin1Char('/'));
    return normalised;
}

void ExecuteActions(Model& model, RunState& run, EmailAction& email, RunCause cause,
                    std::function<void()> done)
{
    // Keeps a second run from being started from the window while one is in progress.
    model.setRunning(true);

    // Each step reads the settings when it starts, so an edit counts from the next step on.
    const auto ticked = [&model](int Settings::*box) { return model.settings().*box == 1; };
    // The actions that ran, by status line, for the tray to tell which of them failed.
    auto ran = std::make_shared<QList<std::size_t>>();
    const auto end = [&model, &email, ran, done = std::move(done)] {
        const auto finish = [&model, ran, done] {
            static const QStringList names = {QStringLiteral("E-mail"), QStringLiteral("FTP"),
                                              QStringLiteral("DynDNS"), QStringLiteral("URL")};
            QStringList failed;
            for (const std::size_t index : *ran) {
                if (!model.status(index).success)
                    failed << names.at(static_cast<qsizetype>(index));
            }
            model.setFailedActions(failed);
            model.setRunning(false);
            done();
        };
        if (!email.busy())
            return finish();
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(&email, &EmailAction::finished, &email, [once, finish] {
            QObject::disconnect(*once);
            finish();
        });
    };
    const auto url = [&model, ticked, ran, end] {
        if (!ticked(&Settings::chkExecuteURL))
            return end();
        ran->append(3);
        ExecuteURL(model, model.settings().txtExecuteURL, [&model, end](const QString& answer) {
            model.setStatusTip(3, answer);
            end();
        });
    };
    const auto dynDns = [&model, &run, cause, ticked, ran, url] {
        if (!ticked(&Settings::chkUpdateDynDNS))
            return url();
        ran->append(2);
        UpdateDynDNS(model, run.DynDnsHeld, cause == RunCause::User, url);
    };

    // Only starts the dialogue; the server's replies drive it while the others run.
    if (ticked(&Settings::chkSendEmail)) {
        ran->append(0);
        email.SendEmail();
    }

    if (!ticked(&Settings::chkUploadFile))
        return dynDns();
    ran->append(1);
    // Written back so the user sees, and the settings file keeps, what was used.
    Settings settings = model.settings();
    settings.txtFTPpath = NormalisedFtpPath(settings.txtFTPpath);
    model.setSettings(settings);
    FtpUpload(settings.txtFTPserver, settings.txtFTPport, settings.txtFTPusername,
              settings.txtFTPpassword, settings.txtFTPpath, run.IPFilePath, settings.chkFTPS == 1,
              [&model, dynDns](bool stored, const QString& reply) {
                  model.showStatus(1,
                                   stored ? QStringLiteral("FTP Upload Success @ ")
                                          : QStringLiteral("FTP Upload Failure @ "),
                                   stored);
                  model.setStatusTip(1, reply);
                  dynDns();
              });
}

} // namespace quillet
