#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace quillet::platform {

// An asynchronous TCP client with the few operations the SMTP dialogue needs. Text goes
// out and comes in as Windows-1252, one byte per character. Every signal is delivered on
// the user-interface thread, and none comes from a connection after Close or a new Connect.
class Winsock : public QObject {
    Q_OBJECT

public:
    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    // Drops the connection at once, whatever it is doing; nothing it still holds is read.
    void Close();
    // Starts connecting and returns; data, errors and the peer's close come as signals.
    void Connect(const QString& remoteHost, quint16 remotePort);
    // False, and nothing sent, when there is no connection.
    bool SendData(const QString& data);
    // Everything received and not yet taken.
    QString GetData();

    bool isConnected() const;
    QString RemoteHost() const { return remoteHost_; }
    quint16 RemotePort() const { return remotePort_; }

signals:
    void DataArrival(qint64 bytesTotal);
    // The connection could not be made or broke; the peer closing it comes as Closed.
    void Error(QAbstractSocket::SocketError number, const QString& description);
    void Closed();

private:
    QTcpSocket* socket_ = nullptr;
    QString remoteHost_;
    quint16 remotePort_ = 0;
};

} // namespace quillet::platform
