#include "core/Endpoints.h"

#include "BuildConfig.h"

#include "platform/TestHooks.h"

#include <QHostAddress>
#include <QStringList>

namespace quillet {

QString echoHost()
{
    return platform::hookedOr(&platform::TestHooks::echoHost,
                              [] { return QStringLiteral(QUILLET_ECHO_HOST); });
}

QString dynDnsHost()
{
    return QStringLiteral(QUILLET_DYNDNS_HOST);
}

QStringList dynDnsServices()
{
    // The build's own first; then services whose published documentation has the same
    // /nic/update request with HTTP Basic credentials and the same return codes.
    QStringList services = {dynDnsHost(), QStringLiteral("members.dyndns.org"),
                            QStringLiteral("dynupdate.no-ip.com"), QStringLiteral("api.dynu.com")};
    services.removeDuplicates();
    return services;
}

namespace {

// The echo page's address on `host`, in the build's scheme.
QString echoPageOn(const QString& host)
{
    return QStringLiteral(QUILLET_ECHO_SCHEME "://") + host +
           QStringLiteral("/getip_quillet_paidusers.php");
}

// A build's list of pages, a test's instead when it gives one.
QStringList pages(std::optional<QStringList> platform::TestHooks::*hook, const char* built)
{
    return platform::hookedOr(hook, [built] {
        return QString::fromLatin1(built).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    });
}

} // namespace

QString echoPageAddress()
{
    return echoPageOn(echoHost());
}

QStringList moreEchoPages()
{
    return pages(&platform::TestHooks::moreEchoPages, QUILLET_ECHO_MORE);
}

QString echo6Host()
{
    return platform::hookedOr(&platform::TestHooks::echo6Host,
                              [] { return QStringLiteral(QUILLET_ECHO6_HOST); });
}

QString echo6PageAddress()
{
    return echoPageOn(echo6Host());
}

QStringList moreEcho6Pages()
{
    return pages(&platform::TestHooks::moreEcho6Pages, QUILLET_ECHO6_MORE);
}

bool watchesIPv6(const Settings& settings)
{
    return settings.watchIPv6 && !echo6Host().isEmpty();
}

QString dynDnsDomain(const QString& host)
{
    QString name = host;
    if (name.startsWith(QLatin1Char('['))) {
        // "[address]" or "[address]:port"
        name = name.mid(1).section(QLatin1Char(']'), 0, 0);
    } else if (name.count(QLatin1Char(':')) == 1) {
        name.truncate(name.indexOf(QLatin1Char(':')));
    }
    if (QHostAddress(name).protocol() != QAbstractSocket::UnknownNetworkLayerProtocol)
        return name;
    QStringList labels = name.split(QLatin1Char('.'));
    if (labels.size() > 2)
        labels.removeFirst();
    return labels.join(QLatin1Char('.'));
}

} // namespace quillet
