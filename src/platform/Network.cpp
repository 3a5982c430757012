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
                if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                    adapter.firstIPv4.isEmpty())
                    adapter.firstIPv4 = entry.ip().toString();
                // Qt reads the kernel's flags: a temporary address is not for DNS.
                if (entry.ip().protocol() == QAbstractSocket::IPv6Protocol)
                    adapter.ipv6.append(
                        {entry.ip().toString(),
                         entry.dnsEligibility() == QNetworkAddressEntry::DnsIneligible});
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
