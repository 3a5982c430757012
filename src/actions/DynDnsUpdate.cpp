#include "actions/DynDnsUpdate.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/Download.h"

#include <QRegularExpression>

namespace quillet {

namespace {

constexpr qint64 kMaxReplyBytes = 64 * 1024;

QString firstLine(const QByteArray& bytes)
{
    const QStringList lines = splitLines(fromWindows1252(bytes), 1);
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

QByteArray dynDnsQuery(const QString& hostNames, const QString& address)
{
    // A comma separates several host names of one account, and is safe in a query.
    // From the Windows-1252 bytes, as the rest of the request.
    return "system=dyndns&hostname=" + toWindows1252(hostNames).toPercentEncoding(",") +
           "&myip=" + toWindows1252(address).toPercentEncoding() +
           "&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO";
}

DynDnsVerdict judgeDynDnsAnswer(const QString& firstLine)
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

void DynDnsUpdate::update(const DynDnsSettings& typed, const QString& address, RunCause cause,
                          std::function<void(const std::optional<Outcome>&)> done)
{
    // The settings as used: the service that an empty choice stands for, and no tick.
    DynDnsSettings settings = typed;
    settings.enabled = true;
    settings.service = trimBlanks(settings.service);
    if (settings.service.isEmpty())
        settings.service = dynDnsHost();
    if (cause == RunCause::Change && !hold_.code.isEmpty() && hold_.settings == settings)
        return done(Outcome{false, QStringLiteral("Held after %1: change the DynDNS settings or "
                                                  "press Execute Selected Actions")
                                       .arg(hold_.code)});
    // A host, or host:port, and nothing that would make it another URL.
    static const QRegularExpression host(QStringLiteral("^[^/?#@\\s\\\\]+$"));
    if (!host.match(settings.service).hasMatch())
        return done(Outcome{false, QStringLiteral("Not a service host: %1").arg(settings.service)});

    platform::DownloadRequest request;
    request.url = (settings.https ? "https://" : "http://") + toWindows1252(settings.service) +
                  "/nic/update?" + dynDnsQuery(settings.hostNames, address);
    // Never in the URL: a password holding "@", ":", "/" or "#" would end its part early.
    request.user = toWindows1252(settings.user);
    request.password = toWindows1252(settings.password);
    request.maxBytes = kMaxReplyBytes;
    platform::download(
        request, [this, settings, done = std::move(done)](const platform::DownloadResult& result) {
            const QString line = firstLine(result.body);
            // An empty answer has no first line to show: nothing changes.
            if (result.ok && line.isEmpty())
                return done(std::nullopt);
            DynDnsVerdict verdict = judgeDynDnsAnswer(line);
            if (!result.ok) {
                verdict.success = false;
                if (line.isEmpty())
                    verdict.detail = result.error;
            }
            hold_ = {verdict.holdCode, settings};
            done(Outcome{verdict.success, verdict.detail});
        });
}

} // namespace quillet
