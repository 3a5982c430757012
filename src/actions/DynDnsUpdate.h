#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet {

// The update request's query, in the order the service documents. The values are
// percent-encoded beyond the unreserved characters (RFC 3986 section 2.3) and the comma (and,
// in the addresses, the colon), which leaves every host-name list and address as it is.
// With an IPv6 address too, "myip" lists both, or where the service documents "myipv6"
// (`separateIPv6`), that holds it.
QByteArray dynDnsQuery(const QString& hostNames, const QString& address,
                       const QString& addressIPv6 = {}, bool separateIPv6 = false);

// What a service's answer means, in the return codes every dyndns2-compatible service uses:
// success only when every line is "good" or "nochg"; any refusal decides; an answer with no
// code (an empty page, a captive portal's) is a failure.
struct DynDnsVerdict {
    bool success = false;
    QString detail;     // the answer, or for a refusal its code and what it means
    QString holdCode;   // a refusal after which the service must not be asked again unbidden
    bool coded = false; // the answer is made of update codes
    int minutesToWait = 0;
};
DynDnsVerdict judgeDynDnsAnswer(const QString& answer);

// The service's host as an update uses it: the build's when the setting is empty.
QString dynDnsService(const DynDnsSettings& settings);

// Tells the service that the host names of `settings` now point to the external addresses
// (the IPv6 one too, when known). `done` gets the outcome: the answer, or why it failed; a
// refusal that must not be repeated as its hold code, and one after which the service asks
// for patience (911, dnserr) with half an hour to wait.
void updateDynDns(const DynDnsSettings& settings, const Addresses& addresses,
                  std::function<void(const Outcome&)> done);

} // namespace quillet
