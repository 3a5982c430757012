#include "monitor/CheckCycle.h"

#include "address/modGetIP.h"
#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/RunState.h"
#include "core/TextUtil.h"
#include "core/Warn.h"
#include "platform/FileAccess.h"
#include "platform/ProgramDir.h"
#include "ui/frmMain.h"
#include "ui/modAddToTray.h"

#include <QLineEdit>

namespace quillet {

namespace {

const QString kUnknownAddress = QStringLiteral("0.0.0.0");

void writeAddressFile(const QString& path, const QString& external, const QString& internal)
{
    QString error;
    if (!platform::writeOwnFile(path, toAnsi(external) + "\r\n" + toAnsi(internal) + "\r\n",
                                &error))
        warn(error);
}

void appendToChangeLog(const QString& line)
{
    QString error;
    if (!platform::appendToOwnFile(platform::programFile(QStringLiteral("ipchange.log")),
                                   toAnsi(line) + "\r\n", &error))
        warn(error);
}

} // namespace

QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal)
{
    return stamp + QStringLiteral(": ") + oldExternal + QLatin1Char(',') + oldInternal +
           QStringLiteral(" changed to ") + newExternal + QLatin1Char(',') + newInternal;
}

QString TrayTipText(const QString& external, const QString& internal)
{
    QString tip = QStringLiteral("External IP: ") + external;
    if (!internal.isEmpty())
        tip += QStringLiteral("\r\nInternal IP: ") + internal;
    return tip;
}

void CheckIPChange(frmMain& form, RunState& run, const std::function<void()>& executeActions)
{
    const std::optional<QString> lookedUp = GetExternalIP();
    form.txtInternalIP->setText(TrimBlanks(GetInternalIP()));
    const QString internal = form.txtInternalIP->text();

    if (!lookedUp) {
        // An outage: shown, but the addresses later checks compare with stay those of the
        // last check that knew its address, so a change across the outage is still seen.
        form.txtExternalIP->setText(kUnknownAddress);
    } else {
        const QString external = *lookedUp;
        form.txtExternalIP->setText(external);
        if (TrimBlanks(form.txtFileName->text()).isEmpty())
            form.txtFileName->setText(QStringLiteral("ip.txt"));
        // A name that would lead out of the program's folder is refused (the box says so);
        // the last good one stays in force.
        if (IsPlainFileName(form.txtFileName->text()))
            run.IPFilePath = platform::programFile(form.txtFileName->text());
        else if (run.IPFilePath.isEmpty())
            run.IPFilePath = platform::programFile(QStringLiteral("ip.txt"));
        writeAddressFile(run.IPFilePath, external, internal);

        // The page's own "0.0.0.0" is no address either: nothing to compare it with.
        if (external != kUnknownAddress) {
            if (run.PrevExternalIP != kUnknownAddress &&
                (external != run.PrevExternalIP || internal != run.PrevInternalIP)) {
                appendToChangeLog(ChangeLogLine(NowStamp(), run.PrevExternalIP, run.PrevInternalIP,
                                                external, internal));
                if (executeActions)
                    executeActions();
            }
            run.PrevExternalIP = external;
            run.PrevInternalIP = internal;
        }
    }
    SetTrayTip(TrayTipText(form.txtExternalIP->text(), internal));
}

} // namespace quillet
