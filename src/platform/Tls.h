#pragma once

#include <QList>
#include <QString>

class QSslError;
class QSslSocket;

namespace quillet::platform {

// Certificates are always checked, against the system's trust store and the host name.
// When the environment variable SSL_CERT_FILE names a file (the OpenSSL convention), that
// file's authorities are trusted instead of the system's, by Qt's sockets and libcurl alike.
QString trustedCaFile();
void trustConfiguredAuthorities(QSslSocket& socket);

// Why a certificate was refused, in words a user can act on: "certificate not trusted:
// self-signed certificate in chain", "host name mismatch".
QString certificateProblem(const QList<QSslError>& errors);
QString certificateProblem(const QString& libcurlText);

} // namespace quillet::platform
