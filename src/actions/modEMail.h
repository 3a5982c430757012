#pragma once

#include <QAbstractSocket>
#include <QString>

#include <chrono>

namespace quillet {

class frmMain;

// Starts the notification e-mail: discards any dialogue in progress, clears the transcript
// and asks for the connection to the SMTP server. Returns at once; the server's replies
// drive the rest.
void SendEmail(frmMain& form);

// The dialogue's side of the events of frmMain's Winsock1.
void SMTPDataArrival(frmMain& form);
void SMTPSocketError(frmMain& form, QAbstractSocket::SocketError number,
                     const QString& description);
void SMTPSocketClosed(frmMain& form);

// Appends to the transcript box as the user should read it.
void AppendToSMTPlog(frmMain& form, const QString& text);

// How long the dialogue waits for a whole reply, the greeting included, before it fails.
inline constexpr std::chrono::milliseconds kSMTPReplyTimeout{60000};
void setSMTPReplyTimeoutForTesting(std::chrono::milliseconds timeout); // 0 restores it

} // namespace quillet
