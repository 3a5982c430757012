#pragma once

#include <QString>

namespace quillet {

// The two outside services, fixed when Quillet is built (host or host:port each).
QString echoHost();
QString dynDnsHost();

// "http://" + echo host + the echo page's path.
QString EchoPageAddress();

// The service's domain as the DynDNS check box names it: "members.dyndns.org" gives
// "dyndns.org"; an address or a two-label name stays as it is (without a port).
QString dynDnsDomain(const QString& host);

// Tests point both services at servers on the loopback interface.
void setEchoHostForTesting(const QString& host);
void setDynDnsHostForTesting(const QString& host);

} // namespace quillet
