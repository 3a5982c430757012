#include "platform/FtpPut.h"

#include "platform/CurlMulti.h"
#include "platform/FileAccess.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quillet::platform {

namespace {

// The address file is a few dozen bytes; anything far beyond that is not ours to send.
constexpr qint64 kMaxFileBytes = 64 * 1024;

class UploadJob : public curl::Job {
public:
    UploadJob(const FtpPutRequest& request, const QByteArray& url, const QByteArray& content,
              std::function<void(const FtpPutResult&)> done)
        : request_(request)
        , url_(url)
        // WORKAROUND: libcurl on Unix turns every LF of an ASCII upload into CR LF, so a file
        // that already has CR LF would go out as CR CR LF. Handing it LF alone gives CR LF
        // once (RFC 959 section 3.1.1.1).
        , data_(QByteArray(content).replace("\r\n", "\n"))
        , done_(std::move(done))
    {
        if (!valid())
            return;
        CURL* c = handle();
        curl_easy_setopt(c, CURLOPT_URL, url_.constData());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(c, CURLOPT_PROXY, "");
        curl_easy_setopt(c, CURLOPT_USERNAME, request_.user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, request_.password.constData());
        if (request_.tls) {
            curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            // Passive (EPSV, then PASV): a router cannot read an encrypted PORT to open its
            // NAT, and libcurl before 8.0 leaves an active data connection unencrypted
            // (curl #10666).
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
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &UploadJob::read);
        curl_easy_setopt(c, CURLOPT_READDATA, this);
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &UploadJob::watchReplies);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    }

    void finish(CURLcode code) override
    {
        FtpPutResult result;
        result.ok = code == CURLE_OK;
        result.lastReply = QString::fromLatin1(lastReply_);
        if (!result.ok) {
            // A refused certificate first, the data connection's too: libcurl then tries PASV
            // and reads a stale reply as its answer ("Bad PASV/EPSV response: 125"). Then a
            // refusal, which names itself ("530 Login incorrect."); else the transfer's error.
            const char first = lastReply_.isEmpty() ? '\0' : lastReply_.at(0);
            result.error = !certificateRefused_.isEmpty() ? certificateProblem(certificateRefused_)
                           : first == '4' || first == '5' ? result.lastReply
                           : valid()                      ? errorText(code)
                                                          : curl::kCannotStart;
        }
        deliver([done = done_, result] { done(result); });
    }

private:
    static size_t read(char* buffer, size_t size, size_t count, void* self)
    {
        auto* job = static_cast<UploadJob*>(self);
        const qsizetype n =
            std::min(static_cast<qsizetype>(size * count), job->data_.size() - job->sent_);
        std::memcpy(buffer, job->data_.constData() + job->sent_, static_cast<size_t>(n));
        job->sent_ += n;
        return static_cast<size_t>(n);
    }

    // The server's replies reach us as "header" lines; the last one before the goodbye to
    // QUIT says how things ended. libcurl's own notes tell of a refused certificate.
    static int watchReplies(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        const QByteArray lines(data, static_cast<qsizetype>(size));
        auto* job = static_cast<UploadJob*>(self);
        if (type == CURLINFO_TEXT && job->certificateRefused_.isEmpty() &&
            (lines.startsWith("SSL certificate problem") ||
             (lines.startsWith("SSL: ") && lines.contains("subject name"))))
            job->certificateRefused_ = QString::fromLatin1(lines.trimmed().left(512));
        if (type != CURLINFO_HEADER_IN)
            return 0;
        for (const QByteArray& line : lines.split('\n')) {
            const QByteArray reply = line.trimmed();
            if (reply.size() >= 3 && std::isdigit(static_cast<unsigned char>(reply[0])) &&
                !reply.startsWith("221"))
                job->lastReply_ = reply.left(512);
        }
        return 0;
    }

    const FtpPutRequest request_;
    const QByteArray url_;
    const QByteArray data_;
    std::function<void(const FtpPutResult&)> done_;
    qsizetype sent_ = 0;
    QByteArray lastReply_;
    QString certificateRefused_; // libcurl's words, on either connection
};

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

void ftpPutFile(const FtpPutRequest& request, std::function<void(const FtpPutResult&)> done)
{
    // What fails before a connection fails from the event loop all the same.
    const auto refuse = [&done](const QString& why) {
        QTimer::singleShot(0, QCoreApplication::instance(), [done = std::move(done), why] {
            done({false, {}, why});
        });
    };
    if (!request.remoteName.startsWith('/') || holdsControlCharacter(request.remoteName) ||
        holdsControlCharacter(request.user) || holdsControlCharacter(request.password))
        return refuse(
            QStringLiteral("The remote path, user name or password holds a control character"));
    if (request.port == 0)
        return refuse(QStringLiteral("The port must be a number from 1 to 65535"));
    const QByteArray url = ftpUrl(request);
    if (url.isEmpty())
        return refuse(QStringLiteral("Not a server name: %1").arg(request.host));
    const FileRead file = readOwnFile(request.localFile, kMaxFileBytes);
    if (!file.ok || file.cut)
        return refuse(file.ok ? QStringLiteral("%1: too large to be ours").arg(request.localFile)
                              : file.error);
    curl::start(std::make_unique<UploadJob>(request, url, file.bytes, std::move(done)));
}

} // namespace quillet::platform
