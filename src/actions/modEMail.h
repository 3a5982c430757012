#pragma once

#include <QAbstractSocket>
#include <QString>

namespace quillet {

class frmMain;
class SmtpDialogue;

// Starts the notification e-mail: discards any dialogue in progress, clears the transcript
// and asks for the connection to the SMTP server. Returns at once; the server's replies
// drive the rest.
void SendEmail(frmMain& form);

// The window's SMTP dialogue, talking through its socket, transcript and status line.
SmtpDialogue* CreateSmtpDialogue(frmMain& form);

// Appends to the transcript box as the user should read it.
void AppendToSMTPlog(frmMain& form, const QString& text);

} // namespace quillet
