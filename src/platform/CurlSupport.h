#pragma once

// What every libcurl transfer of the platform layer shares; not part of its interface.

#include "platform/Download.h"
#include "platform/Shutdown.h"
#include "platform/Tls.h"

#include <QFile>

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace quillet::platform::curl {

inline void ensureInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

// A new transfer handle, libcurl started first; empty when libcurl cannot make one.
inline Easy newEasy()
{
    ensureInitialised();
    return Easy(curl_easy_init());
}

inline const QString kCannotStart = QStringLiteral("cannot start a transfer");

inline int abortOnShutdown(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return shutdownRequested() ? 1 : 0;
}

// Our own time-outs and the shutdown abort, so that no transfer blocks the thread for long.
inline void applyTimeouts(CURL* c)
{
    const TransferTimeouts timeouts = transferTimeouts();
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count()));
    // Each FTP reply within the connect time-out: libcurl's own 120 s would also bound its
    // wait for the answer to QUIT, which the total time-out does not.
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(std::max<qint64>(1, timeouts.connect.count() / 1000)));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &abortOnShutdown);
    // Certificates are checked (libcurl's default, never turned off), against SSL_CERT_FILE's
    // authorities alone when it names a file.
    const QByteArray authorities = QFile::encodeName(trustedCaFile());
    if (!authorities.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, authorities.constData());
        curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    }
}

// Why a transfer failed, as a user reads it: "Connection refused", "Timeout after 30 s".
inline QString errorText(CURL* c, CURLcode code, const char* buffer)
{
    if (code == CURLE_OPERATION_TIMEDOUT) {
        curl_off_t micros = 0;
        curl_easy_getinfo(c, CURLINFO_TOTAL_TIME_T, &micros);
        return QStringLiteral("Timeout after %1 s").arg((micros + 500000) / 1000000);
    }
    long osError = 0;
    curl_easy_getinfo(c, CURLINFO_OS_ERRNO, &osError);
    if (code == CURLE_COULDNT_CONNECT && osError != 0)
        return QString::fromLocal8Bit(std::strerror(static_cast<int>(osError)));
    if (code == CURLE_COULDNT_RESOLVE_HOST) // libcurl's own words repeat the host
        return QStringLiteral("Could not resolve the host");
    if (code == CURLE_PEER_FAILED_VERIFICATION)
        return certificateProblem(QString::fromLocal8Bit(buffer));
    if (code == CURLE_ABORTED_BY_CALLBACK && shutdownRequested())
        return QStringLiteral("Cut short: Quillet is ending");
    return QString::fromLocal8Bit(buffer[0] != '\0' ? buffer : curl_easy_strerror(code));
}

} // namespace quillet::platform::curl
