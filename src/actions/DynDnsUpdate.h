#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet {

// The update request's query, in the order the service documents. Both values are
// percent-encoded beyond the unreserved characters (RFC 3986 section 2.3) and, in the host
// names, the comma, which leaves every host-name list and dotted address as it is.
QByteArray dynDnsQuery(const QString& hostNames, const QString& address);

// What a service's answer means, in the return codes every dyndns2-compatible service uses:
// success only when every line is "good" or "nochg"; any refusal decides; an answer with no
// code (an empty page, a captive portal's) is a failure.
struct DynDnsVerdict {
    bool success = false;
    QString detail;     // the answer, or for a refusal its code and what it means
    QString holdCode;   // a refusal after which the service must not be asked again unbidden
    bool coded = false; // the answer is made of update codes
};
DynDnsVerdict judgeDynDnsAnswer(const QString& answer);

// The DynDNS update, and the refusal that holds the updates a change starts until the user
// acts: changes a DynDNS setting, or runs the update and the service accepts it.
class DynDnsUpdate {
public:
    // Tells the service that the host names of `settings` now point to `address`. `done`
    // gets the outcome: the answer, or why it failed. While a refusal holds for these
    // settings, an update the user did not ask for is not sent but fails as held.
    void update(const DynDnsSettings& settings, const QString& address, RunCause cause,
                std::function<void(const Outcome&)> done);

private:
    struct Hold {
        QString code;
        DynDnsSettings settings; // those it answered
    };
    Hold hold_;
};

} // namespace quillet
