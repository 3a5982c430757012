#include "platform/Winsock.h"

#include "core/Ansi.h"

#include <QTcpSocket>

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

void Winsock::Connect(const QString& remoteHost, quint16 remotePort)
{
    Close();
    remoteHost_ = remoteHost;
    remotePort_ = remotePort;
    socket_ = new QTcpSocket(this);
    socket_->setReadBufferSize(kReadBufferBytes);
    connect(socket_, &QTcpSocket::readyRead, this,
            [this] { emit DataArrival(socket_->bytesAvailable()); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::RemoteHostClosedError)
            emit Error(e, socket_->errorString());
    });
    connect(socket_, &QTcpSocket::disconnected, this, &Winsock::Closed);
    socket_->connectToHost(remoteHost, remotePort);
}

bool Winsock::SendData(const QString& data)
{
    if (!isConnected())
        return false;
    const QByteArray bytes = toAnsi(data);
    return socket_->write(bytes) == bytes.size();
}

QString Winsock::GetData()
{
    return socket_ ? fromAnsi(socket_->readAll()) : QString();
}

bool Winsock::isConnected() const
{
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

} // namespace quillet::platform
