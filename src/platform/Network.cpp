#include "platform/Network.h"

#include "platform/TestHooks.h"

#include <QNetworkInterface>
#include <QSysInfo>

namespace quillet::platform {

QList<Adapter> adapterList()
{
    return hookedOr(&TestHooks::adapters, [] {
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
    });
}

QString hostName()
{
    return hookedOr(&TestHooks::hostName, [] { return QSysInfo::machineHostName(); });
}

} // namespace quillet::platform
