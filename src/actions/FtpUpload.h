#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace quillet {

// A port text as a port: a whole number from 1 to 65535, blanks around it allowed.
std::optional<quint16> FtpPortNumber(const QString& text);

// Stores `localFile` on the FTP server as `remoteDirectory` + the file's own name, in one
// attempt, over FTPS when `tls`, and hands `done` whether the server accepted it, with the
// server's last reply or why it failed. A port text that is no port fails without
// contacting the server.
void FtpUpload(const QString& server, const QString& port, const QString& userName,
               const QString& password, const QString& remoteDirectory, const QString& localFile,
               bool tls, std::function<void(bool stored, const QString& reply)> done);

} // namespace quillet
