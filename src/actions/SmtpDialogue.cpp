#include "actions/SmtpDialogue.h"

#include "core/Clock.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <utility>

namespace quillet {

namespace {

// Far beyond any real reply (RFC 5321, 4.5.3.1.5: 512 octets a line), small enough to hold.
constexpr qsizetype kMaxReplyChars = 64 * 1024;

const QString kCrLf = QStringLiteral("\r\n");

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
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
QString messageText(const SmtpMail& mail)
{
    const QString host = mail.hostName;
    const QString sender = commandText(mail.sender);
    const QDateTime when = now();
    const QString id = QStringLiteral("<%1.%2@%3>")
                           .arg(when.toUTC().toString(QStringLiteral("yyyyMMddhhmmss")))
                           .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
                           .arg(messageIdDomain(sender, host));
    const QString header =
        QStringLiteral("Date: ") + rfc5322DateTime(when) + kCrLf + QStringLiteral("From: ") +
        sender + kCrLf + QStringLiteral("To: ") + trimBlanks(commandText(mail.recipient)) + kCrLf +
        QStringLiteral("Message-ID: ") + id + kCrLf + QStringLiteral("MIME-Version: 1.0") + kCrLf +
        QStringLiteral("Content-Type: text/plain; charset=windows-1252") + kCrLf +
        QStringLiteral("Content-Transfer-Encoding: 8bit") + kCrLf +
        QStringLiteral("SUBJECT:IP Change Notification for PC ") + commandText(host) + kCrLf;
    QString body =
        QStringLiteral("\n\nPC:") + host + QLatin1Char('\n') + mail.addresses.external +
        QLatin1Char('\n') + mail.addresses.internal + QLatin1Char('\n') +
        QStringLiteral("This is an automated message from the Tarnwick Quillet software.\n"
                       "Please do not reply to this message.\n"
                       "Your computer's IP address has changed.\n"
                       "The new external and internal IP addresses can be found at the top of "
                       "the body of this email. Thank you.\n");
    // While IPv6 is watched, after all that readers of the notice know.
    const Addresses& sent = mail.addresses;
    if (!sent.externalIPv6.isEmpty() || !sent.internalIPv6.isEmpty())
        body += QStringLiteral("External IPv6: ") + sent.externalIPv6 +
                QStringLiteral("\nInternal IPv6: ") + sent.internalIPv6 + QLatin1Char('\n');
    return dotStuffed(header + crLfLines(body)) + QStringLiteral(".\r\n");
}

// RFC 4954, 4: each credential is one line, however long its encoding.
QString credentialLine(const QString& text)
{
    return QString::fromLatin1(credentialBytes(text).toBase64()) + kCrLf;
}

// The greeting's argument: the external address as an address literal (RFC 5321, 4.1.3),
// or, with no address known, the computer's name.
QString greetingName(const SmtpMail& mail)
{
    const QString external = mail.addresses.external;
    if (isIPv4Address(external) && external != QLatin1String("0.0.0.0"))
        return QLatin1Char('[') + external + QLatin1Char(']');
    const QString host =
        commandText(mail.hostName).simplified().replace(QLatin1Char(' '), QLatin1Char('_'));
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
    // 251: RCPT's "user not local; will forward" (RFC 5321, 4.3.2).
    static const QStringList accepted = {
        QStringLiteral("220"), QStringLiteral("250"), QStringLiteral("251"), QStringLiteral("221"),
        QStringLiteral("235"), QStringLiteral("334"), QStringLiteral("354")};
    return accepted.contains(reply.left(3));
}

// Whether an EHLO answer lists STARTTLS among its extensions (RFC 3207, 4).
bool offersStartTls(const QString& reply)
{
    const QStringList lines = reply.split(kCrLf, Qt::SkipEmptyParts);
    return std::any_of(lines.cbegin(), lines.cend(), [](const QString& line) {
        return line.mid(4).trimmed().compare(QLatin1String("STARTTLS"), Qt::CaseInsensitive) == 0;
    });
}

QString mailFrom(const SmtpMail& mail)
{
    return QStringLiteral("MAIL FROM:<") + commandText(mail.sender) + QStringLiteral(">") + kCrLf;
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

} // namespace

SmtpDialogue::SmtpDialogue(SmtpLink link, QObject* parent)
    : QObject(parent)
    , link_(std::move(link))
{
    replyTimer_.setSingleShot(true);
    connect(&replyTimer_, &QTimer::timeout, this, &SmtpDialogue::replyTimedOut);
}

void SmtpDialogue::start(const SmtpMail& mail)
{
    mail_ = mail;
    step_ = SmtpStep::Greeting;
    reply_.clear();
    lineStart_ = 0;
    lastReply_.clear();
    armReplyTimer();
}

void SmtpDialogue::armReplyTimer()
{
    replyTimer_.start(replyTimeout_);
}

void SmtpDialogue::replyTimedOut()
{
    fail(QStringLiteral("The SMTP server sent no complete reply within %1 s")
             .arg(static_cast<double>(replyTimeout_.count()) / 1000.0));
}

void SmtpDialogue::end(const Outcome& outcome)
{
    step_ = SmtpStep::Idle;
    replyTimer_.stop();
    link_.end(outcome);
}

void SmtpDialogue::fail(const QString& why)
{
    if (step_ == SmtpStep::Idle)
        return;
    // The server answered the message's end with 250: it has taken the mail, whatever becomes
    // of QUIT.
    if (step_ == SmtpStep::Quit)
        return end({true, lastReply_});
    if (!reply_.isEmpty())
        link_.log(QStringLiteral("s:") + std::exchange(reply_, {}));
    // Not answered: the connection closes right after it.
    link_.send(QStringLiteral("QUIT") + kCrLf, QStringLiteral("QUIT") + kCrLf);
    end({false, why});
}

void SmtpDialogue::closed()
{
    static const std::map<SmtpStep, const char*> awaited = {{SmtpStep::EhloBeforeTls, "EHLO"},
                                                            {SmtpStep::StartTls, "STARTTLS"},
                                                            {SmtpStep::Ehlo, "EHLO"},
                                                            {SmtpStep::Helo, "HELO"},
                                                            {SmtpStep::AuthLogin, "AUTH LOGIN"},
                                                            {SmtpStep::UserName, "the user name"},
                                                            {SmtpStep::Password, "the password"},
                                                            {SmtpStep::MailFrom, "MAIL FROM"},
                                                            {SmtpStep::RcptTo, "RCPT TO"},
                                                            {SmtpStep::Data, "DATA"},
                                                            {SmtpStep::Message, "the message"}};
    const auto it = awaited.find(step_);
    fail(step_ == SmtpStep::Greeting
             ? QStringLiteral("The SMTP server closed the connection before its greeting")
         : step_ == SmtpStep::Handshake
             ? QStringLiteral("The SMTP server closed the connection during the TLS handshake")
         : it != awaited.end()
             ? QStringLiteral("The SMTP server closed the connection before answering %1")
                   .arg(QLatin1String(it->second))
             : QStringLiteral("The SMTP server closed the connection"));
}

// The line that answers an accepted reply at the current step, the step moved on to it.
QString SmtpDialogue::nextLine()
{
    const auto sendNext = [this](SmtpStep next, const QString& line) {
        step_ = next;
        return line;
    };
    switch (step_) {
    case SmtpStep::Greeting:
        if (mail_.startTls)
            return sendNext(SmtpStep::EhloBeforeTls,
                            QStringLiteral("EHLO ") + greetingName(mail_) + kCrLf);
        if (!mail_.authenticate)
            return sendNext(SmtpStep::Helo, QStringLiteral("HELO ") + greetingName(mail_) + kCrLf);
        return sendNext(SmtpStep::Ehlo, QStringLiteral("EHLO ") + greetingName(mail_) + kCrLf);
    case SmtpStep::EhloBeforeTls:
        return sendNext(SmtpStep::StartTls, QStringLiteral("STARTTLS") + kCrLf);
    case SmtpStep::Handshake:
        // RFC 3207, 4.2: after the handshake the client greets again, inside TLS.
        return sendNext(SmtpStep::Ehlo, QStringLiteral("EHLO ") + greetingName(mail_) + kCrLf);
    case SmtpStep::Ehlo:
        if (!mail_.authenticate)
            return sendNext(SmtpStep::MailFrom, mailFrom(mail_));
        return sendNext(SmtpStep::AuthLogin, QStringLiteral("AUTH LOGIN") + kCrLf);
    case SmtpStep::AuthLogin:
        return sendNext(SmtpStep::UserName, credentialLine(mail_.user));
    case SmtpStep::UserName:
        return sendNext(SmtpStep::Password, credentialLine(mail_.password));
    case SmtpStep::Helo:
    case SmtpStep::Password:
        return sendNext(SmtpStep::MailFrom, mailFrom(mail_));
    case SmtpStep::MailFrom:
        return sendNext(SmtpStep::RcptTo, QStringLiteral("RCPT TO:<") +
                                              trimBlanks(commandText(mail_.recipient)) +
                                              QStringLiteral(">") + kCrLf);
    case SmtpStep::RcptTo:
        return sendNext(SmtpStep::Data, QStringLiteral("DATA") + kCrLf);
    case SmtpStep::Data:
        return sendNext(SmtpStep::Message, messageText(mail_));
    case SmtpStep::Message:
        return sendNext(SmtpStep::Quit, QStringLiteral("QUIT") + kCrLf);
    case SmtpStep::Idle:
    case SmtpStep::StartTls:
    case SmtpStep::Quit:
        break;
    }
    return {};
}

// Answers an accepted reply with the next line; false when the dialogue has ended.
bool SmtpDialogue::takeStep()
{
    if (step_ == SmtpStep::Quit) {
        end({true, lastReply_});
        return false;
    }
    // The transcript is on screen; a password must not be readable there, even as Base64.
    const bool password = step_ == SmtpStep::UserName;
    const QString line = nextLine();
    if (!link_.send(line, password ? QStringLiteral("(password hidden)\r\n") : line)) {
        fail(QStringLiteral("The connection to the SMTP server was lost"));
        return false;
    }
    armReplyTimer();
    return true;
}

void SmtpDialogue::encrypted(const QString& summary)
{
    if (step_ == SmtpStep::Idle)
        return;
    link_.log(QStringLiteral("(TLS: %1)\r\n").arg(summary));
    if (step_ == SmtpStep::Handshake)
        takeStep();
}

void SmtpDialogue::received(const QString& data)
{
    if (step_ == SmtpStep::Idle)
        return;
    reply_ += data;
    const qsizetype end = replyEnd(reply_, lineStart_);
    if (end < 0) {
        if (reply_.size() > kMaxReplyChars)
            fail(QStringLiteral("The SMTP server's reply is too long"));
        return;
    }
    const QString arrived = std::exchange(reply_, {});
    lineStart_ = 0;
    lastReply_ = arrived;
    link_.log(QStringLiteral("s:") + arrived);
    link_.showReply(arrived);
    if (!isAccepted(arrived)) {
        fail(arrived);
        return;
    }
    // STARTTLS only where the server offers it, and TLS only on its 220 (RFC 3207, 4): never
    // a fallback to plain text.
    if (step_ == SmtpStep::EhloBeforeTls && !offersStartTls(arrived)) {
        fail(QStringLiteral("The server does not offer STARTTLS"));
        return;
    }
    if (step_ == SmtpStep::StartTls) {
        if (!arrived.startsWith(QLatin1String("220"))) {
            fail(arrived);
            return;
        }
        step_ = SmtpStep::Handshake;
        armReplyTimer();
        link_.startTls();
        return;
    }
    // A server answers each command once (RFC 5321, 4.1.1): what came after the first whole
    // reply answers nothing sent yet, so it never answers the next line. A refusal among it
    // (a 535 right behind a 334) still decides: what the server says to the next line would
    // only hide it.
    if (takeStep()) {
        const QString refusal = firstRefusal(arrived.mid(end));
        if (!refusal.isEmpty())
            fail(refusal);
    }
}

} // namespace quillet
