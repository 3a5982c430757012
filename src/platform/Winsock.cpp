#include "platform/Winsock.h"

#include "platform/Tls.h"

#include <QSslCipher>
#include <QSslSocket>

namespace quillet::platform {

namespace {
// What the socket may hold unread; a peer that sends more waits for us to take it.
constexpr qint64 kReadBufferBytes = 64 * 1024;
} // namespace

Winsock::Winsock(QObject* parent)
    : QObject(parent)
{
}

Winsock::~Winsock() = default;

void Winsock::Close()
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

void Winsock::Connect(const QString& remoteHost, quint16 remotePort, bool encrypted)
{
    Close();
    remoteHost_ = remoteHost;
    remotePort_ = remotePort;
    tlsProblem_.clear();
    socket_ = new QSslSocket(this);
    socket_->setReadBufferSize(kReadBufferBytes);
    trustConfiguredAuthorities(*socket_);
    connect(socket_, &QSslSocket::readyRead, this,
            [this] { emit DataArrival(socket_->bytesAvailable()); });
    connect(socket_, &QSslSocket::encrypted, this, &Winsock::Encrypted);
    connect(socket_, &QSslSocket::sslErrors, this,
            [this](const QList<QSslError>& errors) { tlsProblem_ = certificateProblem(errors); });
    connect(socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError && tlsProblem_.isEmpty())
            return;
        const QString why = tlsProblem_.isEmpty() ? socket_->errorString() : tlsProblem_;
        QSslSocket* socket = socket_;
        // SendData refuses a socket whose TLS is not up, so nothing goes out in the clear.
        emit Error(tlsProblem_.isEmpty() ? e : QAbstractSocket::SslHandshakeFailedError, why);
        if (socket_ == socket)
            socket_->abort();
    });
    connect(socket_, &QSslSocket::disconnected, this, &Winsock::Closed);
    if (encrypted)
        socket_->connectToHostEncrypted(remoteHost, remotePort);
    else
        socket_->connectToHost(remoteHost, remotePort);
}

void Winsock::StartTls()
{
    if (socket_)
        socket_->startClientEncryption();
}

bool Winsock::SendData(const QByteArray& data)
{
    if (!isConnected() ||
        (socket_->mode() != QSslSocket::UnencryptedMode && !socket_->isEncrypted()))
        return false;
    return socket_->write(data) == data.size();
}

QByteArray Winsock::GetData()
{
    return socket_ ? socket_->readAll() : QByteArray();
}

bool Winsock::isConnected() const
{
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

QString Winsock::tlsSummary() const
{
    if (!socket_ || !socket_->isEncrypted())
        return {};
    const QSslCipher cipher = socket_->sessionCipher();
    return cipher.protocolString() + QStringLiteral(", ") + cipher.name();
}

} // namespace quillet::platform
