#pragma once

#include <QList>
#include <QString>

namespace quillet::platform {

// One network adapter as the platform lists it, with its first IPv4 address as
// dotted-decimal text (empty when it has none).
struct Adapter {
    QString name;
    QString firstIPv4;
    bool loopback = false;
};

// The adapters in the platform's own order.
QList<Adapter> adapterList();

// The computer's host name as the platform reports it; may be empty.
QString hostName();

} // namespace quillet::platform
