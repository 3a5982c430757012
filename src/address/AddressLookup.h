#pragma once

#include <QString>

#include <functional>

namespace quillet {

// The echo page's answer is an address or nothing: a longer one is no answer of ours.
inline constexpr qint64 kMaxEchoAnswer = 64;

// What one lookup found: the address, or why there is none.
struct Lookup {
    QString address; // empty when the lookup failed
    QString problem; // why, in a few words
};

// Looks up the external address as the echo page tells it, over IPv4, with blanks, tabs, CR
// and LF at both ends removed, and hands it to `done` on the event loop. The lookup fails
// without an answer, with an error status, or with an answer that is no dotted IPv4 address
// (a captive portal's page, two lines, an IPv6 address) or is 0.0.0.0.
void lookUpExternalAddress(std::function<void(const Lookup&)> done);

// The first IPv4 address of the first adapter that has a usable one, or empty text.
QString internalAddress();

} // namespace quillet
