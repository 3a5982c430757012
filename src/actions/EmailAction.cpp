#include "actions/EmailAction.h"

#include "actions/SmtpDialogue.h"
#include "core/Windows1252.h"
#include "platform/TcpConnection.h"

namespace quillet {

EmailAction::EmailAction(QObject* parent)
    : QObject(parent)
    , connection_(new platform::TcpConnection(this))
{
    SmtpLink link;
    link.send = [this](const QString& wire, const QString& shown) {
        if (!connection_->send(toWindows1252(wire)))
            return false;
        emit transcript(shown);
        return true;
    };
    link.log = [this](const QString& text) { emit transcript(text); };
    link.showReply = [this](const QString& reply) { emit progress(reply); };
    link.startTls = [this] { connection_->startTls(); };
    link.end = [this](const Outcome& outcome) {
        connection_->close();
        if (auto done = std::exchange(done_, nullptr))
            done(outcome);
    };
    dialogue_ = new SmtpDialogue(std::move(link), this);

    platform::TcpConnection* connection = connection_;
    SmtpDialogue* dialogue = dialogue_;
    connect(connection, &platform::TcpConnection::received, dialogue, [dialogue, connection] {
        dialogue->received(fromWindows1252(connection->takeReceived()));
    });
    connect(connection, &platform::TcpConnection::encrypted, dialogue,
            [dialogue, connection] { dialogue->encrypted(connection->tlsSummary()); });
    connect(connection, &platform::TcpConnection::failed, dialogue,
            [dialogue, connection](QAbstractSocket::SocketError error, const QString& description) {
                switch (error) {
                case QAbstractSocket::HostNotFoundError:
                    dialogue->fail(QStringLiteral("SMTP server not found: ") + connection->host());
                    break;
                case QAbstractSocket::ConnectionRefusedError:
                    dialogue->fail(QStringLiteral("Connection refused by %1:%2")
                                       .arg(connection->host())
                                       .arg(connection->port()));
                    break;
                case QAbstractSocket::SslHandshakeFailedError:
                    dialogue->fail(description);
                    break;
                default:
                    dialogue->fail(QStringLiteral("Connection to the SMTP server failed: ") +
                                   description);
                    break;
                }
            });
    connect(connection, &platform::TcpConnection::closed, dialogue, &SmtpDialogue::closed);
}

EmailAction::~EmailAction() = default;

void EmailAction::send(const EmailSettings& settings, const Addresses& addresses,
                       const QString& hostName, std::function<void(const Outcome&)> done)
{
    connection_->close();
    done_ = std::move(done);
    emit started();
    SmtpMail mail;
    mail.authenticate = settings.authenticate;
    mail.startTls = settings.security == EmailSecurity::StartTls;
    mail.user = settings.user;
    mail.password = settings.password;
    mail.sender = settings.sender;
    mail.recipient = settings.recipient;
    mail.addresses = addresses;
    mail.hostName = hostName;
    dialogue_->start(mail);
    connection_->open(settings.server, settings.port,
                      settings.security == EmailSecurity::ImplicitTls);
}

void EmailAction::setReplyTimeout(std::chrono::milliseconds timeout)
{
    dialogue_->setReplyTimeout(timeout);
}

} // namespace quillet
