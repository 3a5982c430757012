#pragma once

#include "core/Settings.h"

#include <QString>
#include <QStringList>

namespace quillet {

// The echo page's host and the DynDNS service's first choice, fixed when Quillet is built
// (host or host:port each).
QString echoHost();
QString dynDnsHost();

// The DynDNS services offered for choice, the build's own first.
QStringList dynDnsServices();

// "https://" (or "http://", as built) + echo host + the echo page's path.
QString echoPageAddress();
// The further echo pages, full URLs, that confirm a new address; none when built without.
QStringList moreEchoPages();

// The IPv6 echo page alike: its host (empty: built without IPv6), its address (the IPv4
// page's scheme and path) and the further IPv6 pages.
QString echo6Host();
QString echo6PageAddress();
QStringList moreEcho6Pages();
// Whether IPv6 is watched: ticked, in a build with an IPv6 echo page.
bool watchesIPv6(const Settings& settings);

// The service's domain as the DynDNS check box names it: "members.dyndns.org" gives
// "dyndns.org"; an address or a two-label name stays as it is (without a port).
QString dynDnsDomain(const QString& host);

} // namespace quillet
