#include "platform/Tls.h"

#include <QFileInfo>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>

namespace quillet::platform {

QString trustedCaFile()
{
    return qEnvironmentVariable("SSL_CERT_FILE");
}

void trustConfiguredAuthorities(QSslSocket& socket)
{
    const QString file = trustedCaFile();
    if (file.isEmpty())
        return;
    QSslConfiguration configuration = socket.sslConfiguration();
    // A file that holds none trusts none: never the system's store behind the user's back.
    configuration.setCaCertificates(QSslCertificate::fromPath(file));
    socket.setSslConfiguration(configuration);
}

QString certificateProblem(const QList<QSslError>& errors)
{
    for (const QSslError& error : errors) {
        switch (error.error()) {
        case QSslError::HostNameMismatch:
            return QStringLiteral("host name mismatch");
        case QSslError::SelfSignedCertificateInChain:
            return QStringLiteral("certificate not trusted: self-signed certificate in chain");
        case QSslError::SelfSignedCertificate:
            return QStringLiteral("certificate not trusted: self-signed certificate");
        case QSslError::CertificateExpired:
            return QStringLiteral("certificate expired");
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            return QStringLiteral("certificate not trusted: issued by an unknown authority");
        default:
            break;
        }
    }
    return errors.isEmpty()
               ? QStringLiteral("TLS handshake failed")
               : QStringLiteral("certificate not trusted: ") + errors.first().errorString();
}

QString certificateProblem(const QString& libcurlText)
{
    if (libcurlText.contains(QLatin1String("subject name")) &&
        libcurlText.contains(QLatin1String("host name")))
        return QStringLiteral("host name mismatch");
    if (libcurlText.contains(QLatin1String("unable to get local issuer certificate")))
        return QStringLiteral("certificate not trusted: issued by an unknown authority");
    static const QString problem = QStringLiteral("SSL certificate problem: ");
    const qsizetype at = libcurlText.indexOf(problem);
    QString why = at < 0 ? libcurlText : libcurlText.mid(at + problem.size());
    return QStringLiteral("certificate not trusted: ") +
           why.replace(QLatin1String("certificate chain"), QLatin1String("chain"));
}

} // namespace quillet::platform
