#include "actions/modDynDNS.h"

#include "core/Ansi.h"
#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "platform/Download.h"
#include "platform/ProgramDir.h"
#include "ui/frmMain.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

namespace quillet {

namespace {

constexpr qint64 kMaxReplyBytes = 64 * 1024;

QString firstLine(const QByteArray& bytes)
{
    const QStringList lines = SplitLines(fromAnsi(bytes), 1);
    return lines.isEmpty() ? QString() : lines.first();
}

} // namespace

QByteArray DynDnsQuery(const QString& hostName, const QString& address)
{
    // A comma separates several host names of one account, and is safe in a query.
    return "system=dyndns&hostname=" + QUrl::toPercentEncoding(toAnsi(hostName), ",") +
           "&myip=" + QUrl::toPercentEncoding(toAnsi(address)) +
           "&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO";
}

void UpdateDynDNS(frmMain& form)
{
    platform::DownloadRequest request;
    request.url = "http://" + toAnsi(dynDnsHost()) + "/nic/update?" +
                  DynDnsQuery(form.txtDDNShostname->text(), form.txtExternalIP->text());
    // Never in the URL: a password holding "@", ":", "/" or "#" would end its part early.
    request.user = toAnsi(form.txtDDNSusername->text());
    request.password = toAnsi(form.txtDDNSpassword->text());
    request.maxBytes = kMaxReplyBytes;
    const QString scratch = platform::programFile(QStringLiteral("temp.txt"));

    const platform::DownloadResult result = platform::downloadToFile(request, scratch);
    QLabel* status = form.lblStatus[2];
    if (!result.ok) {
        // An error answer says why (a 401 for a wrong password, say); a lost connection
        // says nothing, and the previous reply stays.
        if (result.httpStatus >= 400) {
            const QString line = firstLine(result.errorBody);
            status->setToolTip(
                line.isEmpty() ? QStringLiteral("HTTP status %1").arg(result.httpStatus) : line);
        }
        form.showStatus(2, QStringLiteral("DDNS Update Failure @ "), false);
        return;
    }

    QFile file(scratch);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray reply = file.readAll();
    file.close();
    // An empty reply has no first line: nothing is shown and the file stays.
    if (reply.isEmpty())
        return;
    file.remove();
    status->setToolTip(firstLine(reply));
    form.showStatus(2, QStringLiteral("DDNS Update Success @ "), true);
}

} // namespace quillet
