#include "platform/FtpPut.h"

#include "platform/CurlSupport.h"
#include "platform/FileAccess.h"

#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quillet::platform {

namespace {

// The address file is a few dozen bytes; anything far beyond that is not ours to send.
constexpr qint64 kMaxFileBytes = 64 * 1024;

struct Upload {
    QByteArray data;
    qsizetype sent = 0;
    QByteArray lastReply;
};

size_t readData(char* buffer, size_t size, size_t count, void* userdata)
{
    auto* upload = static_cast<Upload*>(userdata);
    const qsizetype n =
        std::min(static_cast<qsizetype>(size * count), upload->data.size() - upload->sent);
    std::memcpy(buffer, upload->data.constData() + upload->sent, static_cast<size_t>(n));
    upload->sent += n;
    return static_cast<size_t>(n);
}

// The server's replies reach us as "header" lines; the last one says how things ended.
int watchReplies(CURL*, curl_infotype type, char* data, size_t size, void* userdata)
{
    if (type != CURLINFO_HEADER_IN)
        return 0;
    const QByteArray lines(data, static_cast<qsizetype>(size));
    for (const QByteArray& line : lines.split('\n')) {
        const QByteArray reply = line.trimmed();
        if (reply.size() >= 3 && std::isdigit(static_cast<unsigned char>(reply[0])))
            static_cast<Upload*>(userdata)->lastReply = reply.left(512);
    }
    return 0;
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
        result.error =
            QStringLiteral("The remote path, user name or password holds a control character");
        return result;
    }
    const QByteArray url = ftpUrl(request);
    if (url.isEmpty()) {
        result.error = QStringLiteral("Not a server name: %1").arg(request.host);
        return result;
    }
    const FileRead file = readOwnFile(request.localFile, kMaxFileBytes);
    if (!file.ok || file.cut) {
        result.error = file.ok ? QStringLiteral("%1: too large to be ours").arg(request.localFile)
                               : file.error;
        return result;
    }
    // WORKAROUND: libcurl on Unix turns every LF of an ASCII upload into CR LF, so a file
    // that already has CR LF would go out as CR CR LF. Handing it LF alone gives CR LF once
    // (RFC 959 section 3.1.1.1).
    Upload upload;
    upload.data = QByteArray(file.bytes).replace("\r\n", "\n");

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
    if (request.tls) {
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        // Passive (EPSV, then PASV): a router cannot read an encrypted PORT to open its NAT,
        // and libcurl before 8.0 leaves an active data connection unencrypted (curl #10666).
        curl_easy_setopt(c, CURLOPT_FTPPORT, nullptr);
    } else {
        // "-": the data connection comes back to the address of the control connection.
        curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    }
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 1L);
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &readData);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &watchReplies);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &upload);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl::applyTimeouts(c);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(c);
    result.ok = code == CURLE_OK;
    result.lastReply = QString::fromLatin1(upload.lastReply);
    if (!result.ok) {
        // A refusal names itself ("530 Login incorrect."); otherwise the transfer says why.
        const char first = upload.lastReply.isEmpty() ? '\0' : upload.lastReply.at(0);
        result.error =
            first == '4' || first == '5' ? result.lastReply : curl::errorText(c, code, errorBuffer);
    }
    return result;
}

} // namespace quillet::platform
