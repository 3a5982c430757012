#include "platform/Download.h"

#include "platform/Shutdown.h"
#include "platform/VersionInfo.h"

#include <QSaveFile>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace quillet::platform {

namespace {

constexpr qsizetype kMaxErrorBody = 64 * 1024;

TransferTimeouts& timeoutsSetting()
{
    static TransferTimeouts timeouts;
    return timeouts;
}

void ensureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    CURL* curl = nullptr;
    QSaveFile* file = nullptr;
    QByteArray errorBody;
    bool writeFailed = false;
};

long responseCode(CURL* curl)
{
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

size_t writeBody(char* data, size_t size, size_t count, void* userdata)
{
    auto* transfer = static_cast<Transfer*>(userdata);
    const size_t bytes = size * count;
    const auto length = static_cast<qsizetype>(bytes);
    if (responseCode(transfer->curl) >= 400) {
        // An error page is never the downloaded content; keep its start for the caller.
        const qsizetype room = kMaxErrorBody - transfer->errorBody.size();
        if (room > 0)
            transfer->errorBody.append(data, std::min(room, length));
        return bytes;
    }
    if (transfer->file->write(data, length) != length) {
        transfer->writeFailed = true;
        return 0;
    }
    return bytes;
}

int abortOnShutdown(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return shutdownRequested() ? 1 : 0;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

} // namespace

TransferTimeouts transferTimeouts()
{
    return timeoutsSetting();
}

void setTransferTimeoutsForTesting(TransferTimeouts timeouts)
{
    timeoutsSetting() = timeouts;
}

DownloadResult downloadToFile(const DownloadRequest& request, const QString& path)
{
    DownloadResult result;
    ensureCurlInitialised();

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("cannot start a transfer");
        return result;
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = file.errorString();
        return result;
    }

    Transfer transfer;
    transfer.curl = curl.get();
    transfer.file = &file;

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    if (request.bypassCache) {
        curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
        list = curl_slist_append(list, "Pragma: no-cache");
        headers.reset(list);
    }

    const QByteArray url = request.url;
    const QByteArray agent = userAgent().toUtf8();
    const TransferTimeouts timeouts = timeoutsSetting();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count()));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &abortOnShutdown);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(c);
    result.httpStatus = responseCode(c);
    result.errorBody = std::move(transfer.errorBody);

    if (code != CURLE_OK) {
        result.error = transfer.writeFailed
                           ? file.errorString()
                           : QString::fromLocal8Bit(
                                 errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code));
    } else if (result.httpStatus >= 400) {
        result.error = QStringLiteral("HTTP status %1").arg(result.httpStatus);
    } else if (!file.commit()) {
        result.error = file.errorString();
        return result;
    } else {
        result.ok = true;
        return result;
    }
    file.cancelWriting();
    return result;
}

} // namespace quillet::platform
