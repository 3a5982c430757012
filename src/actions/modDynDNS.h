#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

class frmMain;

// The update request's query, in the order the service documents. Both values are
// percent-encoded beyond the unreserved characters (RFC 3986 section 2.3) and, in the host
// names, the comma, which leaves every host-name list and dotted address as it is.
QByteArray DynDnsQuery(const QString& hostName, const QString& address);

// Tells the DynDNS service that the host name of the settings now points to the external
// address shown, and reports in lblStatus(2): the reply's first line as tool tip.
void UpdateDynDNS(frmMain& form);

} // namespace quillet
