#pragma once

namespace quillet {

class frmMain;

// Runs every ticked action once, in the fixed order e-mail, FTP, DynDNS, URL.
void ExecuteActions(frmMain& form);

} // namespace quillet
