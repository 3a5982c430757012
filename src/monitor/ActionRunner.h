#pragma once

#include <QString>

namespace quillet {

class frmMain;

// The remote directory as the upload needs it: beginning and ending with "/".
QString NormalisedFtpPath(const QString& path);

// Runs every ticked action once, in the fixed order e-mail, FTP, DynDNS, URL; a failed
// action never stops the later ones. The FTP action uploads `addressFile`.
void ExecuteActions(frmMain& form, const QString& addressFile);

} // namespace quillet
