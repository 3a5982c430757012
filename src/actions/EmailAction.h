#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

namespace quillet {

class SmtpDialogue;

namespace platform {
class TcpConnection;
}

// The notification e-mail: the SMTP dialogue on a connection of its own. It tells what it
// sends and receives through transcript(), the latest reply through progress(), and how it
// ended through the callback of send().
class EmailAction : public QObject {
    Q_OBJECT

public:
    explicit EmailAction(QObject* parent = nullptr);
    ~EmailAction() override;

    // Discards any dialogue in progress and asks for the connection to the SMTP server.
    // Returns at once; the server's replies drive the rest, and `done` comes at the end.
    void send(const EmailSettings& settings, const Addresses& addresses, const QString& hostName,
              std::function<void(const Outcome&)> done);
    bool busy() const { return done_ != nullptr; }

    void setReplyTimeout(std::chrono::milliseconds timeout);

signals:
    // A new dialogue begins: the transcript of the last one is over.
    void started();
    void transcript(const QString& text);
    void progress(const QString& reply);

private:
    platform::TcpConnection* connection_;
    SmtpDialogue* dialogue_;
    std::function<void(const Outcome&)> done_;
};

} // namespace quillet
