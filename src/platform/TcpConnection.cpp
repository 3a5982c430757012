#include "platform/TcpConnection.h"

#include "platform/Tls.h"

#include <QSslCipher>
#include <QSslSocket>

namespace quillet::platform {

namespace {
// What the socket may hold unread; a peer that sends more waits for us to take it.
constexpr qint64 kReadBufferBytes = 64 * 1024;
} // namespace

TcpConnection::TcpConnection(QObject* parent)
    : QObject(parent)
{
}

TcpConnection::~TcpConnection() = default;

void TcpConnection::close()
{
    if (!socket_)
        return;
    // Disconnected first, so that the old connection can report nothing more.
    socket_->disconnect(this);
    // What was just written (a last QUIT) still goes out before the reset.
    socket_->flush();
    socket_->abort();
    // It may be the socket whose signal is being handled right now.
    socket_->deleteLater();
    socket_ = nullptr;
}

void TcpConnection::open(const QString& host, quint16 port, bool encrypted)
{
    close();
    host_ = host;
    port_ = port;
    tlsProblem_.clear();
    socket_ = new QSslSocket(this);
    socket_->setReadBufferSize(kReadBufferBytes);
    trustConfiguredAuthorities(*socket_);
    connect(socket_, &QSslSocket::readyRead, this, &TcpConnection::received);
    connect(socket_, &QSslSocket::encrypted, this, &TcpConnection::encrypted);
    connect(socket_, &QSslSocket::sslErrors, this,
            [this](const QList<QSslError>& errors) { tlsProblem_ = certificateProblem(errors); });
    connect(socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError && tlsProblem_.isEmpty())
            return;
        const QString why = tlsProblem_.isEmpty() ? socket_->errorString() : tlsProblem_;
        QSslSocket* socket = socket_;
        // send() refuses a socket whose TLS is not up, so nothing goes out in the clear.
        emit failed(tlsProblem_.isEmpty() ? e : QAbstractSocket::SslHandshakeFailedError, why);
        if (socket_ == socket)
            socket_->abort();
    });
    connect(socket_, &QSslSocket::disconnected, this, &TcpConnection::closed);
    if (encrypted)
        socket_->connectToHostEncrypted(host, port);
    else
        socket_->connectToHost(host, port);
}

void TcpConnection::startTls()
{
    if (socket_)
        socket_->startClientEncryption();
}

bool TcpConnection::send(const QByteArray& data)
{
    if (!isOpen() || (socket_->mode() != QSslSocket::UnencryptedMode && !socket_->isEncrypted()))
        return false;
    return socket_->write(data) == data.size();
}

QByteArray TcpConnection::takeReceived()
{
    return socket_ ? socket_->readAll() : QByteArray();
}

bool TcpConnection::isOpen() const
{
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

QString TcpConnection::tlsSummary() const
{
    if (!socket_ || !socket_->isEncrypted())
        return {};
    const QSslCipher cipher = socket_->sessionCipher();
    return cipher.protocolString() + QStringLiteral(", ") + cipher.name();
}

} // namespace quillet::platform
