#pragma once

#include <QString>

#include <optional>

namespace quillet {

// What GetExternalIP answers when the echo page cannot be fetched.
inline constexpr char kUnableToAccess[] = "(unable to access php page)";

// Fetches `url` into `file`; true exactly when the transfer succeeded with an answer
// below status 400. `freshAnswer` asks every cache on the way to pass the request on.
bool DownloadFile(const QString& url, const QString& file, bool freshAnswer = false);

// The echo page's whole answer, exactly as sent, or kUnableToAccess. Nothing when the
// answer came but could not be read back (an empty answer counts so): the caller then
// keeps the address it had.
std::optional<QString> GetExternalIP();

// The first IPv4 address of the first adapter that has a usable one, or empty text.
QString GetInternalIP();

} // namespace quillet
