#include "core/Endpoints.h"

#include "BuildConfig.h"

#include <QHostAddress>
#include <QStringList>

namespace quillet {

namespace {
QString& echoOverride()
{
    static QString host;
    return host;
}
QString& dynDnsOverride()
{
    static QString host;
    return host;
}
} // namespace

QString echoHost()
{
    return echoOverride().isEmpty() ? QStringLiteral(QUILLET_ECHO_HOST) : echoOverride();
}

QString dynDnsHost()
{
    return dynDnsOverride().isEmpty() ? QStringLiteral(QUILLET_DYNDNS_HOST) : dynDnsOverride();
}

QString EchoPageAddress()
{
    return QStringLiteral("http://") + echoHost() + QStringLiteral("/getip_quillet_paidusers.php");
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

void setEchoHostForTesting(const QString& host)
{
    echoOverride() = host;
}

void setDynDnsHostForTesting(const QString& host)
{
    dynDnsOverride() = host;
}

} // namespace quillet
