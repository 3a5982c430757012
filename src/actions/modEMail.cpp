#include "actions/modEMail.h"

namespace quillet {

// The SMTP dialogue is not built yet.
void SendEmail(frmMain& /*form*/) {}

} // namespace quillet
