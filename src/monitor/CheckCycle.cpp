#include "monitor/CheckCycle.h"

#include "address/modGetIP.h"
#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/RunState.h"
#include "core/TextUtil.h"
#include "platform/ProgramDir.h"
#include "ui/frmMain.h"
#include "ui/modAddToTray.h"

#include <QFile>
#include <QLineEdit>
#include <QSaveFile>

namespace quillet {

namespace {

const QString kUnknownAddress = QStringLiteral("0.0.0.0");

bool writeAddressFile(const QString& path, const QString& external, const QString& internal)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray content = toAnsi(external) + "\r\n" + toAnsi(internal) + "\r\n";
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    file.cancelWriting();
    return false;
}

bool appendToChangeLog(const QString& line)
{
    QFile log(platform::programFile(QStringLiteral("ipchange.log")));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = toAnsi(line) + "\r\n";
    return log.write(bytes) == bytes.size();
}

} // namespace

QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal)
{
    return stamp + QStringLiteral(": ") + oldExternal + QLatin1Char(',') + oldInternal +
           QStringLiteral(" changed to ") + newExternal + QLatin1Char(',') + newInternal;
}

QString TrayTipText(const RunState& run)
{
    QString tip = QStringLiteral("External IP: ") + run.PrevExternalIP;
    if (!run.PrevInternalIP.isEmpty())
        tip += QStringLiteral("\r\nInternal IP: ") + run.PrevInternalIP;
    return tip;
}

void CheckIPChange(frmMain& form, RunState& run, const std::function<void()>& executeActions)
{
    // An answer that could not be read back leaves the previous text standing.
    if (const std::optional<QString> external = GetExternalIP())
        form.txtExternalIP->setText(TrimBlanks(*external));
    form.txtInternalIP->setText(TrimBlanks(GetInternalIP()));

    const bool lookupFailed =
        form.txtExternalIP->text().contains(QLatin1String("unable to access"));
    if (lookupFailed) {
        form.txtExternalIP->setText(kUnknownAddress);
    } else {
        if (TrimBlanks(form.txtFileName->text()).isEmpty())
            form.txtFileName->setText(QStringLiteral("ip.txt"));
        run.IPFilePath = platform::programFile(form.txtFileName->text());
        writeAddressFile(run.IPFilePath, form.txtExternalIP->text(), form.txtInternalIP->text());

        // A check after a failed one (or with no address known now) never counts as a change.
        const QString external = form.txtExternalIP->text();
        const QString internal = form.txtInternalIP->text();
        if (run.PrevExternalIP != kUnknownAddress && external != kUnknownAddress &&
            (external != run.PrevExternalIP || internal != run.PrevInternalIP)) {
            appendToChangeLog(ChangeLogLine(NowStamp(), run.PrevExternalIP, run.PrevInternalIP,
                                            external, internal));
            if (executeActions)
                executeActions();
        }
    }

    run.PrevExternalIP = form.txtExternalIP->text();
    run.PrevInternalIP = form.txtInternalIP->text();
    SetTrayTip(TrayTipText(run));
}

} // namespace quillet
