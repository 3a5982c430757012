#include "platform/Network.h"

#include <QNetworkInterface>
#include <QSysInfo>

namespace quillet::platform {

namespace {
std::function<QList<Adapter>()>& adapterSource()
{
    static std::function<QList<Adapter>()> source;
    return source;
}

std::function<QString()>& hostSource()
{
    static std::function<QString()> source;
    return source;
}
} // namespace

QList<Adapter> adapterList()
{
    if (adapterSource())
        return adapterSource()();

    QList<Adapter> adapters;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        Adapter adapter;
        adapter.name = iface.name();
        adapter.loopback = iface.flags().testFlag(QNetworkInterface::IsLoopBack);
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                adapter.firstIPv4 = entry.ip().toString();
                break;
            }
        }
        adapters.append(adapter);
    }
    return adapters;
}

QString hostName()
{
    if (hostSource())
        return hostSource()();
    return QSysInfo::machineHostName();
}

void setAdapterListSourceForTesting(std::function<QList<Adapter>()> source)
{
    adapterSource() = std::move(source);
}

void setHostNameSourceForTesting(std::function<QString()> source)
{
    hostSource() = std::move(source);
}

} // namespace quillet::platform
