#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet {

class Model;
struct DynDnsHold;

// The update request's query, in the order the service documents. Both values are
// percent-encoded beyond the unreserved characters (RFC 3986 section 2.3) and, in the host
// names, the comma, which leaves every host-name list and dotted address as it is.
QByteArray DynDnsQuery(const QString& hostName, const QString& address);

// What the first line of a service's answer means, in the return codes every
// dyndns2-compatible service uses.
struct DynDnsVerdict {
    bool success = true;
    QString toolTip;  // the line itself, or for a refusal its code and what it means
    QString holdCode; // a refusal after which the service must not be asked again unbidden
};
DynDnsVerdict JudgeDynDnsAnswer(const QString& firstLine);

// Tells the DynDNS service that the host name of the settings now points to the external
// address shown, and reports in status line 2: the answer's first line, or why it failed,
// as tool tip; then calls `done`. While `hold` holds a refusal and the DynDNS settings are
// those it answered, an update not `askedByUser` is not sent but shown as held.
void UpdateDynDNS(Model& model, DynDnsHold& hold, bool askedByUser, std::function<void()> done);

} // namespace quillet
