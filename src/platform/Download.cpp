#include "platform/Download.h"

#include "platform/CurlSupport.h"
#include "platform/VersionInfo.h"

namespace quillet::platform {

namespace {

constexpr qsizetype kMaxErrorBody = 64 * 1024;

TransferTimeouts& timeoutsSetting()
{
    static TransferTimeouts timeouts;
    return timeouts;
}

struct Transfer {
    CURL* curl = nullptr;
    qint64 maxBytes = 0;
    QByteArray body;
    bool tooLarge = false;
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
        // An error page is never the answer; keep its start to say why.
        const qsizetype room = kMaxErrorBody - transfer->body.size();
        if (room > 0)
            transfer->body.append(data, std::min(room, length));
        return bytes;
    }
    if (transfer->maxBytes > 0 && transfer->body.size() + length > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body.append(data, length);
    return bytes;
}

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

DownloadResult download(const DownloadRequest& request)
{
    DownloadResult result;
    curl::Easy handle = curl::newEasy();
    if (!handle) {
        result.error = curl::kCannotStart;
        return result;
    }

    Transfer transfer;
    transfer.curl = handle.get();
    transfer.maxBytes = request.maxBytes;

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    if (request.bypassCache) {
        curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
        list = curl_slist_append(list, "Pragma: no-cache");
        headers.reset(list);
    }

    const QByteArray url = request.url;
    const QByteArray agent = userAgent().toUtf8();
    CURL* c = handle.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // An encrypted request is never redirected to a plain one.
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR,
                     url.startsWith("https:") ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl::applyTimeouts(c);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    if (!request.user.isEmpty() || !request.password.isEmpty()) {
        // Basic only, so the credentials go with the first request (RFC 7617 section 2);
        // libcurl keeps them from any other host a redirect leads to.
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(c, CURLOPT_USERNAME, request.user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, request.password.constData());
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(c);
    result.httpStatus = responseCode(c);
    result.body = std::move(transfer.body);
    if (code != CURLE_OK) {
        result.error = transfer.tooLarge
                           ? QStringLiteral("Answer larger than %1 bytes").arg(request.maxBytes)
                           : curl::errorText(c, code, errorBuffer);
    } else if (result.httpStatus >= 400) {
        result.error = QStringLiteral("HTTP status %1").arg(result.httpStatus);
    } else {
        result.ok = true;
    }
    return result;
}

} // namespace quillet::platform
