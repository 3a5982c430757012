#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QString>

#include <functional>

namespace quillet {

// The remote directory as the upload needs it: beginning and ending with "/".
QString normalisedFtpPath(const QString& path);

// Stores `localFile` on the FTP server as the remote path (normalised) + the file's own
// name, in one attempt, over FTPS when the settings ask for it. Success carries the server's
// last reply; a port that is no port fails without contacting the server.
void uploadFile(const FtpSettings& settings, const QString& localFile,
                std::function<void(const Outcome&)> done);

} // namespace quillet
