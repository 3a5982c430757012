#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace quillet {

// What the dialogue reads, each at the step that uses it: a setting edited while a mail is
// on its way takes effect at the next step that reads it.
struct SmtpInputs {
    bool authentication = false;
    bool startTls = false; // EHLO, STARTTLS and the handshake before anything else
    QString user;
    QString password;
    QString sender;
    QString recipient;
    QString external; // the addresses shown
    QString internal;
    QString host; // the computer's name
};

// What the dialogue talks through: the socket, the transcript and the status line.
struct SmtpLink {
    std::function<SmtpInputs()> inputs;
    // Sends `wire`, and shows `shown` in the transcript; false, and nothing shown, when the
    // connection is gone.
    std::function<bool(const QString& wire, const QString& shown)> send;
    std::function<void(const QString& text)> log;
    // The latest reply, for the status line's tool tip.
    std::function<void(const QString& reply)> showReply;
    // The server agreed to STARTTLS: begin the handshake; encrypted() or fail() follows.
    std::function<void()> startTls;
    // The dialogue is over: close the connection and show the outcome.
    std::function<void(bool success, const QString& toolTip)> end;
};

// The notification e-mail's SMTP dialogue (RFC 5321), with AUTH LOGIN when asked, driven
// by the server's replies: each whole reply advances it one step, an unaccepted one ends it.
class SmtpDialogue : public QObject {
    Q_OBJECT

public:
    explicit SmtpDialogue(SmtpLink link, QObject* parent = nullptr);

    // Forgets any dialogue in progress; the next reply is taken for the greeting.
    void start();
    // One arrival of data on the connection.
    void received(const QString& data);
    // The connection is encrypted now (protocol and cipher in `summary`); after STARTTLS the
    // dialogue greets again.
    void encrypted(const QString& summary);
    // The connection failed or was closed by the server: the dialogue ends, saying `why`.
    void fail(const QString& why);

    // The step: the reply it waits for, numbered as nextLine() counts them (10 to 12 for
    // STARTTLS); 0 before the greeting and after the end.
    qint32 state() const { return state_; }

    // How long it waits for a whole reply, the greeting included, before it fails.
    static constexpr std::chrono::milliseconds kReplyTimeout{60000};
    void setReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }

private:
    QString nextLine(const SmtpInputs& in);
    bool takeStep();
    void armReplyTimer();
    void replyTimedOut();

    SmtpLink link_;
    qint32 state_ = 0;
    bool authentication_ = false;
    // The reply gathered so far, and where its first line not yet known whole starts.
    QString reply_;
    qsizetype lineStart_ = 0;
    bool running_ = false;
    std::chrono::milliseconds replyTimeout_ = kReplyTimeout;
    QTimer replyTimer_;
};

} // namespace quillet
