#include "actions/modEMail.h"

#include "actions/modBase64.h"
#include "core/DateText.h"
#include "core/TextUtil.h"
#include "platform/Winsock.h"
#include "ui/frmMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTimer>

#include <utility>

namespace quillet {

namespace {

// The step of the dialogue, numbered by the reply it waits for (see takeStep).
qint32 SMTPState = 0;
// The reply gathered so far, and where its first line not yet known to be complete starts.
QString g_reply;
qsizetype g_lineStart = 0;
std::chrono::milliseconds g_replyTimeout = kSMTPReplyTimeout;
QPointer<QTimer> g_replyTimer;
QElapsedTimer g_waitClock;

// Far beyond any real reply (RFC 5321, 4.5.3.1.5: 512 octets a line), small enough to hold.
constexpr qsizetype kMaxReplyChars = 64 * 1024;

const QString kCrLf = QStringLiteral("\r\n");
const QString kFailure = QStringLiteral("Send Email Failure @ ");

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The number the port text begins with, leading blanks skipped; 0 when there is none or it
// is no port at all.
quint16 portValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    int value = 0;
    for (; i < text.size() && isDigit(text.at(i)); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > 65535)
            return 0;
    }
    return static_cast<quint16>(value);
}

// A line break inside a command argument would start a command of its own.
QString commandText(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

// RFC 5321, 4.5.2: a line of the mail data that begins with a dot gets one more, so that no
// text of ours can end the DATA phase early.
QString dotStuffed(const QString& data)
{
    QString out;
    out.reserve(data.size() + 8);
    bool lineStart = true;
    for (const QChar c : data) {
        if (lineStart && c == QLatin1Char('.'))
            out += QLatin1Char('.');
        out += c;
        lineStart = c == QLatin1Char('\n');
    }
    return out;
}

// Every line of the mail data ends in CR LF (RFC 5321, 2.3.8), whatever a text brought.
QString crLfLines(QString text)
{
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), kCrLf);
}

// The right-hand side of the Message-ID: the sender's domain, else the computer's name.
QString messageIdDomain(const QString& sender, const QString& host)
{
    const auto dotAtom = [](const QString& text) {
        static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$"));
        return re.match(text).hasMatch();
    };
    const QString domain = sender.section(QLatin1Char('@'), -1);
    if (sender.contains(QLatin1Char('@')) && dotAtom(domain))
        return domain;
    QString name = host;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.-]")), QStringLiteral("-"));
    return dotAtom(name) ? name : QStringLiteral("localhost");
}

// The notice, with the header fields receiving servers require (RFC 5322, 3.6) before the
// subject line; a header value never holds a line break of its own.
QString messageText(const frmMain& form)
{
    const QString host = form.lblHostName->text();
    const QString sender = commandText(form.txtEmailFrom->text());
    const QDateTime when = now();
    const QString id = QStringLiteral("<%1.%2@%3>")
                           .arg(when.toUTC().toString(QStringLiteral("yyyyMMddhhmmss")))
                           .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
                           .arg(messageIdDomain(sender, host));
    const QString header =
        QStringLiteral("Date: ") + Rfc5322DateTime(when) + kCrLf + QStringLiteral("From: ") +
        sender + kCrLf + QStringLiteral("To: ") +
        TrimBlanks(commandText(form.txtEmailRecipient->text())) + kCrLf +
        QStringLiteral("Message-ID: ") + id + kCrLf + QStringLiteral("MIME-Version: 1.0") + kCrLf +
        QStringLiteral("Content-Type: text/plain; charset=windows-1252") + kCrLf +
        QStringLiteral("Content-Transfer-Encoding: 8bit") + kCrLf +
        QStringLiteral("SUBJECT:IP Change Notification for PC ") + commandText(host) + kCrLf;
    const QString body =
        QStringLiteral("\n\nPC:") + host + QLatin1Char('\n') + form.txtExternalIP->text() +
        QLatin1Char('\n') + form.txtInternalIP->text() + QLatin1Char('\n') +
        QStringLiteral("This is an automated message from the Tarnwick Quillet software.\n"
                       "Please do not reply to this message.\n"
                       "Your computer's IP address has changed.\n"
                       "The new external and internal IP addresses can be found at the top of "
                       "the body of this email. Thank you.\n");
    return dotStuffed(header + crLfLines(body)) + QStringLiteral(".\r\n");
}

// RFC 4954, 4: each credential is one line, however long its encoding.
QString credentialLine(const QString& text)
{
    return Base64EncodeUnbroken(text) + kCrLf;
}

// The greeting's argument: the external address as an address literal (RFC 5321, 4.1.3),
// or, with no address known, the computer's name.
QString greetingName(const frmMain& form)
{
    const QString external = form.txtExternalIP->text();
    if (IsIPv4Address(external) && external != QLatin1String("0.0.0.0"))
        return QLatin1Char('[') + external + QLatin1Char(']');
    const QString host = commandText(form.lblHostName->text())
                             .simplified()
                             .replace(QLatin1Char(' '), QLatin1Char('_'));
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

// Where the first whole reply of `text` from `lineStart` on ends, or -1 while its last line
// has not come; `lineStart` moves past the lines known complete. Only a line of three digits
// and "-" is followed by more of the reply (RFC 5321, 4.2.1).
qsizetype replyEnd(const QString& text, qsizetype& lineStart)
{
    for (;;) {
        const qsizetype end = text.indexOf(kCrLf, lineStart);
        if (end < 0)
            return -1;
        const QStringView line = QStringView(text).mid(lineStart, end - lineStart);
        const bool continued = line.size() >= 4 && isDigit(line[0]) && isDigit(line[1]) &&
                               isDigit(line[2]) && line[3] == QLatin1Char('-');
        lineStart = end + 2;
        if (!continued)
            return lineStart;
    }
}

bool isAccepted(const QString& reply)
{
    static const QStringList accepted = {QStringLiteral("220"), QStringLiteral("250"),
                                         QStringLiteral("221"), QStringLiteral("235"),
                                         QStringLiteral("334"), QStringLiteral("354")};
    return accepted.contains(reply.left(3));
}

// The first whole reply in `text` that refuses, or empty text.
QString firstRefusal(const QString& text)
{
    qsizetype start = 0;
    qsizetype lineStart = 0;
    for (qsizetype end; (end = replyEnd(text, lineStart)) >= 0; start = end) {
        const QString reply = text.mid(start, end - start);
        if (!isAccepted(reply))
            return reply;
    }
    return {};
}

void stopReplyTimer()
{
    if (QTimer* timer = g_replyTimer.data())
        timer->stop();
}

void endInFailure(frmMain& form, const QString& toolTip)
{
    stopReplyTimer();
    if (!g_reply.isEmpty())
        AppendToSMTPlog(form, QStringLiteral("s:") + std::exchange(g_reply, {}));
    if (form.Winsock1->isConnected())
        form.SendDataAndLog(QStringLiteral("QUIT") + kCrLf);
    form.Winsock1->Close();
    form.showStatus(0, kFailure, false);
    form.lblStatus[0]->setToolTip(toolTip);
}

void armReplyTimer(frmMain& form);

void replyTimedOut(frmMain& form)
{
    // A timer this late means the thread was busy (the runner's other actions block it while
    // the dialogue goes on), so an answer may be waiting unread: listen once more.
    const auto slack = g_replyTimeout / 10 + std::chrono::milliseconds(100);
    if (std::chrono::milliseconds(g_waitClock.elapsed()) > g_replyTimeout + slack) {
        armReplyTimer(form);
        return;
    }
    endInFailure(form, QStringLiteral("The SMTP server sent no complete reply within %1 s")
                           .arg(static_cast<double>(g_replyTimeout.count()) / 1000.0));
}

void armReplyTimer(frmMain& form)
{
    // One timer per window's socket; a window made anew (the tests make many) gets its own.
    QTimer* timer = g_replyTimer.data();
    if (timer == nullptr || timer->parent() != form.Winsock1) {
        delete timer;
        timer = new QTimer(form.Winsock1);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, form.Winsock1, [&form] { replyTimedOut(form); });
        g_replyTimer = timer;
    }
    g_waitClock.start();
    timer->start(g_replyTimeout);
}

// The next line of the dialogue, after an accepted reply in the current state; nothing
// after the answer to QUIT.
QString nextLine(frmMain& form)
{
    switch (SMTPState) {
    case 0:
        // The one place the authentication setting is read: it chooses the path.
        if (checkValue(form.chkAuthentication) == 0) {
            SMTPState = 4;
            return QStringLiteral("HELO ") + greetingName(form) + kCrLf;
        }
        SMTPState = 1;
        return QStringLiteral("EHLO ") + greetingName(form) + kCrLf;
    case 1:
        SMTPState = 2;
        return QStringLiteral("AUTH LOGIN") + kCrLf;
    case 2:
        SMTPState = 3;
        return credentialLine(form.txtSMTPuser->text());
    case 3:
        SMTPState = 4;
        return credentialLine(form.txtSMTPpassword->text());
    case 4:
        SMTPState = 5;
        return QStringLiteral("MAIL FROM:<") + commandText(form.txtEmailFrom->text()) +
               QStringLiteral(">") + kCrLf;
    case 5:
        SMTPState = 6;
        return QStringLiteral("RCPT TO:<") +
               TrimBlanks(commandText(form.txtEmailRecipient->text())) + QStringLiteral(">") +
               kCrLf;
    case 6:
        SMTPState = 7;
        return QStringLiteral("DATA") + kCrLf;
    case 7:
        SMTPState = 8;
        return messageText(form);
    case 8:
        SMTPState = 9;
        return QStringLiteral("QUIT") + kCrLf;
    default:
        return {};
    }
}

// Answers an accepted reply with the next line; false when the dialogue has ended.
bool takeStep(frmMain& form)
{
    if (SMTPState == 9) {
        stopReplyTimer();
        form.Winsock1->Close();
        form.showStatus(0, QStringLiteral("Send Email Success @ "), true);
        SMTPState = 0;
        return false;
    }
    // The transcript is on screen; a password must not be readable there, even as Base64.
    const bool password = SMTPState == 3;
    const QString line = nextLine(form);
    if (!form.SendDataAndLog(line, password ? QStringLiteral("(password hidden)\r\n") : line)) {
        endInFailure(form, QStringLiteral("The connection to the SMTP server was lost"));
        return false;
    }
    armReplyTimer(form);
    return true;
}

} // namespace

void SendEmail(frmMain& form)
{
    form.txtSMTPlog->clear();
    form.Winsock1->Close();
    SMTPState = 0;
    g_reply.clear();
    g_lineStart = 0;
    armReplyTimer(form);
    form.Winsock1->Connect(form.txtSMTPServer->text(), portValue(form.txtSMTPport->text()));
}

void SMTPDataArrival(frmMain& form)
{
    g_reply += form.Winsock1->GetData();
    const qsizetype end = replyEnd(g_reply, g_lineStart);
    if (end < 0) {
        if (g_reply.size() > kMaxReplyChars)
            endInFailure(form, QStringLiteral("The SMTP server's reply is too long"));
        return;
    }
    const QString arrived = std::exchange(g_reply, {});
    g_lineStart = 0;
    AppendToSMTPlog(form, QStringLiteral("s:") + arrived);
    form.lblStatus[0]->setToolTip(arrived);
    if (!isAccepted(arrived)) {
        endInFailure(form, arrived);
        return;
    }
    // A server answers each command once (RFC 5321, 4.1.1): what came after the first whole
    // reply answers nothing sent yet, so it never answers the next line. A refusal among it
    // (a 535 right behind a 334) still decides: what the server says to the next line would
    // only hide it.
    if (takeStep(form)) {
        const QString refusal = firstRefusal(arrived.mid(end));
        if (!refusal.isEmpty())
            endInFailure(form, refusal);
    }
}

void SMTPSocketError(frmMain& form, QAbstractSocket::SocketError number, const QString& description)
{
    const platform::Winsock& socket = *form.Winsock1;
    switch (number) {
    case QAbstractSocket::HostNotFoundError:
        endInFailure(form, QStringLiteral("SMTP server not found: ") + socket.RemoteHost());
        break;
    case QAbstractSocket::ConnectionRefusedError:
        endInFailure(form, QStringLiteral("Connection refused by %1:%2")
                               .arg(socket.RemoteHost())
                               .arg(socket.RemotePort()));
        break;
    default:
        endInFailure(form, QStringLiteral("Connection to the SMTP server failed: ") + description);
        break;
    }
}

void SMTPSocketClosed(frmMain& form)
{
    endInFailure(form,
                 QStringLiteral("The SMTP server closed the connection before the answer to QUIT"));
}

void AppendToSMTPlog(frmMain& form, const QString& text)
{
    // The box breaks lines at LF; a CR LF on the wire is one line break here.
    QString shown = text;
    shown.replace(kCrLf, QStringLiteral("\n"));
    QTextCursor cursor(form.txtSMTPlog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
}

void setSMTPReplyTimeoutForTesting(std::chrono::milliseconds timeout)
{
    g_replyTimeout = timeout.count() > 0 ? timeout : kSMTPReplyTimeout;
}

} // namespace quillet
