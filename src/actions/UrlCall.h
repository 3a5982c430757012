#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet {

inline constexpr char kCouldNotAccessUrl[] = "Couldn't access URL";

// The template with every "$EXTIP$", "$INTIP$", "$EXTIP6$" and "$INTIP6$" replaced by the
// address (an IPv6 one keeps its colons).
// The inserted addresses are percent-encoded beyond the unreserved characters (RFC 3986
// section 2.3), and the template's own spaces, control characters and non-ASCII characters
// are percent-encoded, so no text can end the request line early; a dotted address and a
// well-formed URL stay as they are.
QByteArray substitutedUrl(const QString& urlTemplate, const Addresses& addresses);

// Calls the user's URL with the addresses in place. Success carries the page's whole
// answer; failure kCouldNotAccessUrl and, on the next line, why.
void callUrl(const UrlSettings& settings, const Addresses& addresses,
             std::function<void(const Outcome&)> done);

} // namespace quillet
