#include "monitor/ActionRunner.h"

#include "actions/modDynDNS.h"
#include "actions/modEMail.h"
#include "actions/modFTP.h"
#include "actions/modURL.h"
#include "core/RunState.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillet {

namespace {
bool ticked(const QCheckBox* box)
{
    return checkValue(box) == 1;
}
} // namespace

QString NormalisedFtpPath(const QString& path)
{
    QString normalised = path;
    if (!normalised.startsWith(QLatin1Char('/')))
        normalised.prepend(QLatin1Char('/'));
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised.append(QLatin1Char('/'));
    return normalised;
}

void ExecuteActions(frmMain& form, RunState& run, RunCause cause)
{
    // Keeps a second run from being started from the window while one is in progress.
    form.cmdUploadNow->setEnabled(false);

    // Only starts the dialogue; the server's replies drive it while the others run.
    if (ticked(form.chkSendEmail))
        SendEmail(form);

    if (ticked(form.chkUploadFile)) {
        // Written back so the user sees, and the settings file keeps, what was used.
        form.txtFTPpath->setText(NormalisedFtpPath(form.txtFTPpath->text()));
        QString reply;
        const bool stored =
            FtpUpload(form.txtFTPserver->text(), form.txtFTPport->text(),
                      form.txtFTPusername->text(), form.txtFTPpassword->text(),
                      form.txtFTPpath->text(), run.IPFilePath, ticked(form.chkFTPS), &reply);
        form.showStatus(1,
                        stored ? QStringLiteral("FTP Upload Success @ ")
                               : QStringLiteral("FTP Upload Failure @ "),
                        stored);
        form.lblStatus[1]->setToolTip(reply);
    }

    if (ticked(form.chkUpdateDynDNS))
        UpdateDynDNS(form, run.DynDnsHeld, cause == RunCause::User);

    if (ticked(form.chkExecuteURL))
        form.lblStatus[3]->setToolTip(ExecuteURL(form, form.txtExecuteURL->text()));

    form.cmdUploadNow->setEnabled(true);
}

} // namespace quillet
