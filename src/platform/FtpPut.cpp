#include "platform/FtpPut.h"

#include "platform/CurlSupport.h"

#include <QFile>
#include <QUrl>

#include <algorithm>

namespace quillet::platform {

namespace {

size_t readLocalFile(char* buffer, size_t size, size_t count, void* userdata)
{
    auto* file = static_cast<QFile*>(userdata);
    const qint64 read = file->read(buffer, static_cast<qint64>(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

// Commands end at CR LF (RFC 959 section 4.1.3); any control character in a field would
// let it end a command early or smuggle in another one.
bool holdsControlCharacter(const QByteArray& bytes)
{
    return std::any_of(bytes.cbegin(), bytes.cend(), [](char ch) {
        const auto byte = static_cast<unsigned char>(ch);
        return byte < 0x20 || byte == 0x7f;
    });
}

// "ftp://host:port/" and the whole remote name percent-encoded as one segment, which
// libcurl, asked not to change directory, decodes back into the name for STOR. Empty
// when the host text is no host name.
QByteArray ftpUrl(const FtpPutRequest& request)
{
    QUrl server;
    server.setScheme(QStringLiteral("ftp"));
    server.setHost(request.host, QUrl::StrictMode);
    server.setPort(request.port);
    if (!server.isValid() || server.host().isEmpty())
        return {};
    return server.toEncoded() + '/' + QUrl::toPercentEncoding(request.remoteName);
}

} // namespace

FtpPutResult ftpPutFile(const FtpPutRequest& request)
{
    FtpPutResult result;
    if (!request.remoteName.startsWith('/') || holdsControlCharacter(request.remoteName) ||
        holdsControlCharacter(request.user) || holdsControlCharacter(request.password)) {
        result.error = QStringLiteral("remote name or account unfit for FTP commands");
        return result;
    }
    const QByteArray url = ftpUrl(request);
    if (url.isEmpty()) {
        result.error = QStringLiteral("not a host name: %1").arg(request.host);
        return result;
    }
    QFile file(request.localFile);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }

    curl::Easy handle = curl::newEasy();
    if (!handle) {
        result.error = curl::kCannotStart;
        return result;
    }
    CURL* c = handle.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_USERNAME, request.user.constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, request.password.constData());
    // "-": the data connection comes back to the address of the control connection.
    curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 1L);
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &readLocalFile);
    curl_easy_setopt(c, CURLOPT_READDATA, &file);
    curl::applyTimeouts(c);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(c);
    result.ok = code == CURLE_OK;
    if (!result.ok)
        result.error = curl::errorText(code, errorBuffer);
    return result;
}

} // namespace quillet::platform
