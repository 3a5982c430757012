#pragma once

#include <QString>

#include <optional>

namespace quillet {

// A port text as a port: a whole number from 1 to 65535, blanks around it allowed.
std::optional<quint16> FtpPortNumber(const QString& text);

// Stores `localFile` on the FTP server as `remoteDirectory` + the file's own name, in one
// attempt, over FTPS when `tls`, and answers true when the server accepted it. A port text
// that is no port fails at once, without contacting the server. `reply` receives the
// server's last reply, or on failure why it failed.
bool FtpUpload(const QString& server, const QString& port, const QString& userName,
               const QString& password, const QString& remoteDirectory, const QString& localFile,
               bool tls = false, QString* reply = nullptr);

} // namespace quillet
