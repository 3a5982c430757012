#pragma once

#include <QString>

namespace quillet {

class frmMain;
struct RunState;
enum class RunCause;

// The remote directory as the upload needs it: beginning and ending with "/".
QString NormalisedFtpPath(const QString& path);

// Runs every ticked action once, in the fixed order e-mail, FTP, DynDNS, URL; a failed
// action never stops the later ones. The FTP action uploads the address file of `run`.
void ExecuteActions(frmMain& form, RunState& run, RunCause cause);

} // namespace quillet
