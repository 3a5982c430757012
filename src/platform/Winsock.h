#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class QSslSocket;

namespace quillet::platform {

// An asynchronous TCP client with the few operations the SMTP dialogue needs, encrypted
// from the first byte or from StartTls() on. Every signal is delivered on the
// user-interface thread, and none comes from a connection after Close or a new Connect.
class Winsock : public QObject {
    Q_OBJECT

public:
    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    // Drops the connection at once, whatever it is doing; nothing it still holds is read.
    void Close();
    // Starts connecting and returns; data, errors and the peer's close come as signals.
    // With `encrypted`, TLS from the first byte.
    void Connect(const QString& remoteHost, quint16 remotePort, bool encrypted = false);
    // Starts TLS on the open connection; Encrypted or Error follows.
    void StartTls();
    // False, and nothing sent, when there is no connection (or TLS is being set up).
    bool SendData(const QByteArray& data);
    // Everything received and not yet taken.
    QByteArray GetData();

    bool isConnected() const;
    // "TLSv1.3, TLS_AES_256_GCM_SHA384" once encrypted.
    QString tlsSummary() const;
    QString RemoteHost() const { return remoteHost_; }
    quint16 RemotePort() const { return remotePort_; }

signals:
    void DataArrival(qint64 bytesTotal);
    void Encrypted();
    // The connection could not be made, broke, or its TLS failed (the description says
    // why); the peer closing it comes as Closed.
    void Error(QAbstractSocket::SocketError number, const QString& description);
    void Closed();

private:
    QSslSocket* socket_ = nullptr;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    QString tlsProblem_;
};

} // namespace quillet::platform
