#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace quillet {

// The echo page's answer is an address or nothing: a longer one is no answer of ours.
inline constexpr qint64 kMaxEchoAnswer = 64;

// Looks up the external address as the echo page tells it, with blanks, tabs, CR and LF at
// both ends removed, and hands it to `done` on the event loop; nothing when the lookup
// failed: no answer, an error status, or an answer that is no dotted IPv4 address (a
// captive portal's page, two lines, an IPv6 address).
void lookUpExternalAddress(std::function<void(const std::optional<QString>&)> done);

// The first IPv4 address of the first adapter that has a usable one, or empty text.
QString internalAddress();

} // namespace quillet
