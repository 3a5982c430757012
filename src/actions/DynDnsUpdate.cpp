#include "actions/DynDnsUpdate.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/Download.h"

#include <QRegularExpression>

#include <algorithm>

namespace quillet {

namespace {

constexpr qint64 kMaxReplyBytes = 64 * 1024;

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
    {"!yours", "the host name belongs to another account", true},
    {"dnserr", "the service's DNS failed", false},
    {"911", "the service has a problem", false},
};

} // namespace

QByteArray dynDnsQuery(const QString& hostNames, const QString& address, const QString& addressIPv6,
                       bool separateIPv6)
{
    // A comma separates several host names of one account, and is safe in a query.
    // From the Windows-1252 bytes, as the rest of the request.
    const auto encoded = [](const QString& text) {
        return toWindows1252(text).toPercentEncoding(",:");
    };
    QByteArray query = "system=dyndns&hostname=" + toWindows1252(hostNames).toPercentEncoding(",") +
                       "&myip=" + encoded(address);
    if (!addressIPv6.isEmpty())
        query += (separateIPv6 ? "&myipv6=" : ",") + encoded(addressIPv6);
    return query + "&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO";
}

DynDnsVerdict judgeDynDnsAnswer(const QString& answer)
{
    // One code a line, a line for each host name of the request (an account's failure once);
    // blanks, tabs and empty lines around them are no part of it.
    QStringList lines;
    for (const QString& line : splitLines(answer, 1000)) {
        if (!line.trimmed().isEmpty())
            lines << line.simplified();
    }
    if (lines.isEmpty())
        return {false, QStringLiteral("The service's answer holds no update code"), {}, false};
    DynDnsVerdict verdict{true, lines.join(QLatin1Char('\n')), {}, true};
    for (const QString& line : lines) {
        const QString code = line.section(QLatin1Char(' '), 0, 0);
        if (code == QLatin1String("good") || code == QLatin1String("nochg"))
            continue;
        const auto refusal = std::find_if(std::begin(kRefusals), std::end(kRefusals),
                                          [&code](const Refusal& r) { return code == r.code; });
        if (refusal == std::end(kRefusals))
            return {false,
                    QStringLiteral("The service's answer is no update code: ") + line.left(80),
                    {},
                    false};
        // Any refusal decides; the first that must not be repeated holds. After one of the
        // service's own troubles it asks for half an hour's patience.
        if (verdict.success || (verdict.holdCode.isEmpty() && refusal->hold))
            verdict = {false, code + QStringLiteral(": ") + QLatin1String(refusal->meaning),
                       refusal->hold ? code : QString(), true, refusal->hold ? 0 : 30};
    }
    return verdict;
}

QString dynDnsService(const DynDnsSettings& settings)
{
    const QString typed = trimBlanks(settings.service);
    return typed.isEmpty() ? dynDnsHost() : typed;
}

void updateDynDns(const DynDnsSettings& settings, const Addresses& addresses,
                  std::function<void(const Outcome&)> done)
{
    const QString service = dynDnsService(settings);
    // The services whose published update API names a parameter of its own for IPv6; the
    // others document both in "myip".
    const bool separateIPv6 =
        QStringList{QStringLiteral("dynupdate.no-ip.com"), QStringLiteral("api.dynu.com")}.contains(
            service.section(QLatin1Char(':'), 0, 0).toLower());
    // A host, or host:port, and nothing that would make it another URL.
    static const QRegularExpression host(QStringLiteral("^[^/?#@\\s\\\\]+$"));
    if (!host.match(service).hasMatch())
        return done({false, QStringLiteral("Not a service host: %1").arg(service)});

    platform::DownloadRequest request;
    request.url =
        (settings.https ? "https://" : "http://") + toWindows1252(service) + "/nic/update?" +
        dynDnsQuery(settings.hostNames, addresses.external, addresses.externalIPv6, separateIPv6);
    // Never in the URL: a password holding "@", ":", "/" or "#" would end its part early.
    request.user = credentialBytes(settings.user);
    request.password = credentialBytes(settings.password);
    request.maxBytes = kMaxReplyBytes;
    platform::download(request, [done = std::move(done)](const platform::DownloadResult& result) {
        DynDnsVerdict verdict = judgeDynDnsAnswer(fromWindows1252(result.body));
        // A failed transfer is that, unless the service refused with a code of its own.
        if (!result.ok && (verdict.success || !verdict.coded))
            verdict = {false, result.error, {}, false};
        done({verdict.success, verdict.detail, verdict.holdCode, verdict.minutesToWait});
    });
}

} // namespace quillet
