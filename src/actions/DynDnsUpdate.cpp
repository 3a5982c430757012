#include "actions/DynDnsUpdate.h"

#include "core/Ansi.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/RunState.h"
#include "core/TextUtil.h"
#include "platform/Download.h"

#include <QRegularExpression>

namespace quillet {

namespace {

constexpr qint64 kMaxReplyBytes = 64 * 1024;

QString firstLine(const QByteArray& bytes)
{
    const QStringList lines = SplitLines(fromAnsi(bytes), 1);
    return lines.isEmpty() ? QString() : lines.first();
}

struct Refusal {
    const char* code;
    const char* meaning;
    bool hold; // the service asks clients not to repeat the request unbidden
};

constexpr Refusal kRefusals[] = {
    {"badauth", "the user name or password is wrong", true},
    {"!donator", "the request uses a feature the account does not have", true},
    {"notfqdn", "the host name is not a fully qualified domain name", true},
    {"nohost", "the host name does not exist in this account", true},
    {"numhost", "too many host names in one update", true},
    {"abuse", "the host name is blocked for abuse", true},
    {"badagent", "the service does not accept this client", true},
    {"badsys", "the request names an unknown system", true},
    {"dnserr", "the service's DNS failed; it will be tried again at the next change", false},
    {"911", "the service has a problem; it will be tried again at the next change", false},
};

} // namespace

QByteArray DynDnsQuery(const QString& hostName, const QString& address)
{
    // A comma separates several host names of one account, and is safe in a query.
    // From the Windows-1252 bytes, as the rest of the request.
    return "system=dyndns&hostname=" + toAnsi(hostName).toPercentEncoding(",") +
           "&myip=" + toAnsi(address).toPercentEncoding() +
           "&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO";
}

DynDnsVerdict JudgeDynDnsAnswer(const QString& firstLine)
{
    const QString code = firstLine.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    for (const Refusal& refusal : kRefusals) {
        if (code == QLatin1String(refusal.code))
            return {false, code + QStringLiteral(": ") + QLatin1String(refusal.meaning),
                    refusal.hold ? code : QString()};
    }
    // "good" and "nochg" are success; an answer of no known code keeps the benefit of doubt.
    return {true, firstLine, {}};
}

void UpdateDynDNS(Model& model, DynDnsHold& hold, bool askedByUser, std::function<void()> done)
{
    static const QString kFailure = QStringLiteral("DDNS Update Failure @ ");
    const Settings& s = model.settings();
    const QString typed = TrimBlanks(s.cboDDNSservice);
    const QString service = typed.isEmpty() ? dynDnsHost() : typed;
    const bool https = s.chkDDNShttps == 1;
    const QString settings =
        QStringList{service, https ? QStringLiteral("https") : QStringLiteral("http"),
                    s.txtDDNSusername, s.txtDDNSpassword, s.txtDDNShostname}
            .join(QChar(u'\0'));
    const auto refuse = [&](const QString& why) {
        model.setStatusTip(2, why);
        model.showStatus(2, kFailure, false);
        done();
    };
    if (!askedByUser && !hold.code.isEmpty() && hold.settings == settings)
        return refuse(QStringLiteral("Held after %1: change the DynDNS settings or press "
                                     "Execute Selected Actions")
                          .arg(hold.code));
    // A host, or host:port, and nothing that would make it another URL.
    if (!QRegularExpression(QStringLiteral("^[^/?#@\\s\\\\]+$")).match(service).hasMatch())
        return refuse(QStringLiteral("Not a service host: %1").arg(service));

    platform::DownloadRequest request;
    request.url = (https ? "https://" : "http://") + toAnsi(service) + "/nic/update?" +
                  DynDnsQuery(s.txtDDNShostname, model.externalIP());
    // Never in the URL: a password holding "@", ":", "/" or "#" would end its part early.
    request.user = toAnsi(s.txtDDNSusername);
    request.password = toAnsi(s.txtDDNSpassword);
    request.maxBytes = kMaxReplyBytes;
    platform::download(request, [&model, &hold, settings,
                                 done = std::move(done)](const platform::DownloadResult& result) {
        const QString line = firstLine(result.body);
        // An empty answer has no first line to show: nothing changes.
        if (!result.ok || !line.isEmpty()) {
            DynDnsVerdict verdict = JudgeDynDnsAnswer(line);
            if (!result.ok) {
                verdict.success = false;
                if (line.isEmpty())
                    verdict.toolTip = result.error;
            }
            hold = {verdict.holdCode, settings};
            model.setStatusTip(2, verdict.toolTip);
            model.showStatus(2,
                             verdict.success ? QStringLiteral("DDNS Update Success @ ") : kFailure,
                             verdict.success);
        }
        done();
    });
}

} // namespace quillet
