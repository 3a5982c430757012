#pragma once

#include <QList>
#include <QString>

namespace quillet::platform {

// One IPv6 address of an adapter, and whether the kernel made it a temporary (privacy)
// address, which changes every day or so and is not for others to reach.
struct IPv6Entry {
    QString address;
    bool temporary = false;
};

// One network adapter as the platform lists it, with its first IPv4 address as
// dotted-decimal text (empty when it has none) and its IPv6 addresses.
struct Adapter {
    QString name;
    QString firstIPv4;
    bool loopback = false;
    QList<IPv6Entry> ipv6 = {};
};

// The adapters in the platform's own order.
QList<Adapter> adapterList();

// The computer's host name as the platform reports it; may be empty.
QString hostName();

} // namespace quillet::platform
