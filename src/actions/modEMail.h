#pragma once

namespace quillet {

class frmMain;

// Starts the notification e-mail: discards any dialogue in progress, clears the transcript
// and asks for the connection to the SMTP server. Returns at once; the server's replies
// drive the rest.
void SendEmail(frmMain& form);

} // namespace quillet
