#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet {

class Model;

inline constexpr char kCouldNotAccessUrl[] = "Couldn't access URL";

// The template with every "$EXTIP$" and then every "$INTIP$" replaced by the address.
// The inserted addresses are percent-encoded beyond the unreserved characters (RFC 3986
// section 2.3), and the template's own spaces, control characters and non-ASCII characters
// are percent-encoded, so no text can end the request line early; a dotted address and a
// well-formed URL stay as they are.
QByteArray SubstitutedUrl(const QString& urlTemplate, const QString& external,
                          const QString& internal);

// Calls the template's URL with the addresses shown, reports in status line 3's caption,
// and hands `done` the page's whole answer, or kCouldNotAccessUrl and, on the next line, why.
void ExecuteURL(Model& model, const QString& urlTemplate,
                std::function<void(const QString& answer)> done);

} // namespace quillet
