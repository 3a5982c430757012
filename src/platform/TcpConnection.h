#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class QSslSocket;

namespace quillet::platform {

// A TCP client connection for a line-based dialogue, encrypted from the first byte or from
// startTls() on. Every signal is delivered on the user-interface thread, and none comes from
// a connection after close() or a new open().
class TcpConnection : public QObject {
    Q_OBJECT

public:
    explicit TcpConnection(QObject* parent = nullptr);
    ~TcpConnection() override;

    // Drops the connection at once, whatever it is doing; nothing it still holds is read.
    void close();
    // Starts connecting and returns; data, errors and the peer's close come as signals.
    // With `encrypted`, TLS from the first byte.
    void open(const QString& host, quint16 port, bool encrypted = false);
    // Starts TLS on the open connection; encrypted() or failed() follows.
    void startTls();
    // False, and nothing sent, when there is no connection (or TLS is being set up).
    bool send(const QByteArray& data);
    // Everything received and not yet taken.
    QByteArray takeReceived();

    bool isOpen() const;
    // "TLSv1.3, TLS_AES_256_GCM_SHA384" once encrypted.
    QString tlsSummary() const;
    QString host() const { return host_; }
    quint16 port() const { return port_; }

signals:
    void received();
    void encrypted();
    // The connection could not be made, broke, or its TLS failed (the description says
    // why); the peer closing it comes as closed().
    void failed(QAbstractSocket::SocketError error, const QString& description);
    void closed();

private:
    QSslSocket* socket_ = nullptr;
    QString host_;
    quint16 port_ = 0;
    QString tlsProblem_;
};

} // namespace quillet::platform
