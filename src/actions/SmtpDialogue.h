#pragma once

#include "core/Action.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace quillet {

// One notice: what the dialogue sends, taken when it starts.
struct SmtpMail {
    bool authenticate = false;
    bool startTls = false; // EHLO, STARTTLS and the handshake before anything else
    QString user;
    QString password;
    QString sender;
    QString recipient;
    Addresses addresses;
    QString hostName; // the computer's name
};

// What the dialogue talks through: the connection, the transcript and the status line.
struct SmtpLink {
    // Sends `wire`, and shows `shown` in the transcript; false, and nothing shown, when the
    // connection is gone.
    std::function<bool(const QString& wire, const QString& shown)> send;
    std::function<void(const QString& text)> log;
    // The latest reply, for the status line's tool tip.
    std::function<void(const QString& reply)> showReply;
    // The server agreed to STARTTLS: begin the handshake; encrypted() or fail() follows.
    std::function<void()> startTls;
    // The dialogue is over: close the connection and report.
    std::function<void(const Outcome& outcome)> end;
};

// Where a dialogue stands: the line last sent, whose reply it waits for.
enum class SmtpStep {
    Idle, // none under way
    Greeting,
    EhloBeforeTls, // asking whether the server offers STARTTLS
    StartTls,
    Handshake,
    Ehlo,
    Helo,
    AuthLogin,
    UserName,
    Password,
    MailFrom,
    RcptTo,
    Data,
    Message,
    Quit,
};

// The notification e-mail's SMTP dialogue (RFC 5321), with AUTH LOGIN when asked, driven
// by the server's replies: each whole reply advances it one step, an unaccepted one ends it.
class SmtpDialogue : public QObject {
    Q_OBJECT

public:
    explicit SmtpDialogue(SmtpLink link, QObject* parent = nullptr);

    // Forgets any dialogue in progress; the next reply is taken for the greeting.
    void start(const SmtpMail& mail);
    // One arrival of data on the connection.
    void received(const QString& data);
    // The connection is encrypted now (protocol and cipher in `summary`); after STARTTLS the
    // dialogue greets again.
    void encrypted(const QString& summary);
    // The connection failed: the dialogue ends, saying `why`; once the server has taken the
    // mail, it ends well.
    void fail(const QString& why);
    // The server closed the connection: as fail(), saying at which step.
    void closed();

    SmtpStep step() const { return step_; }

    // How long it waits for a whole reply, the greeting included, before it fails.
    static constexpr std::chrono::milliseconds kReplyTimeout{60000};
    void setReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }

private:
    QString nextLine();
    bool takeStep();
    void end(const Outcome& outcome);
    void armReplyTimer();
    void replyTimedOut();

    SmtpLink link_;
    SmtpMail mail_;
    SmtpStep step_ = SmtpStep::Idle;
    // The reply gathered so far, and where its first line not yet known whole starts.
    QString reply_;
    qsizetype lineStart_ = 0;
    QString lastReply_;
    std::chrono::milliseconds replyTimeout_ = kReplyTimeout;
    QTimer replyTimer_;
};

} // namespace quillet
