#include "platform/Download.h"

#include "platform/CurlMulti.h"
#include "platform/TestHooks.h"
#include "platform/VersionInfo.h"

namespace quillet::platform {

namespace {

constexpr qsizetype kMaxErrorBody = 64 * 1024;

long responseCode(CURL* curl)
{
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

class DownloadJob : public curl::Job {
public:
    DownloadJob(const DownloadRequest& request, std::function<void(const DownloadResult&)> done)
        : request_(request)
        , agent_(userAgent().toUtf8())
        , done_(std::move(done))
    {
        if (!valid())
            return;
        if (request.bypassCache) {
            curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
            headers_.reset(curl_slist_append(list, "Pragma: no-cache"));
        }
        CURL* c = handle();
        curl_easy_setopt(c, CURLOPT_URL, request_.url.constData());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        // An encrypted request is never redirected to a plain one.
        curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR,
                         request_.url.startsWith("https:") ? "https" : "http,https");
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(c, CURLOPT_USERAGENT, agent_.constData());
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers_.get());
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &DownloadJob::write);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
        static constexpr long kResolve[] = {CURL_IPRESOLVE_WHATEVER, CURL_IPRESOLVE_V4,
                                            CURL_IPRESOLVE_V6};
        curl_easy_setopt(c, CURLOPT_IPRESOLVE, kResolve[static_cast<int>(request_.family)]);
        if (!request_.user.isEmpty() || !request_.password.isEmpty()) {
            // Basic only, so the credentials go with the first request (RFC 7617 section 2);
            // libcurl keeps them from any other host a redirect leads to.
            curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(c, CURLOPT_USERNAME, request_.user.constData());
            curl_easy_setopt(c, CURLOPT_PASSWORD, request_.password.constData());
        }
    }

    void finish(CURLcode code) override
    {
        DownloadResult result;
        result.httpStatus = valid() ? responseCode(handle()) : 0;
        result.body = std::move(body_);
        if (code == CURLE_UNSUPPORTED_PROTOCOL && request_.url.startsWith("https:")) {
            // Only a redirect gets here: libcurl's own words would blame its build.
            result.error = QStringLiteral("Redirect not followed: it leads away from HTTPS");
        } else if (code != CURLE_OK) {
            result.error =
                tooLarge_ ? QStringLiteral("Answer larger than %1 bytes").arg(request_.maxBytes)
                : valid() ? errorText(code)
                          : curl::kCannotStart;
        } else if (result.httpStatus >= 400) {
            result.error = QStringLiteral("HTTP status %1").arg(result.httpStatus);
        } else {
            result.ok = true;
        }
        deliver([done = done_, result] { done(result); });
    }

private:
    static size_t write(char* data, size_t size, size_t count, void* self)
    {
        auto* job = static_cast<DownloadJob*>(self);
        const size_t bytes = size * count;
        const auto length = static_cast<qsizetype>(bytes);
        if (responseCode(job->handle()) >= 400) {
            // An error page is never the answer; keep its start to say why.
            const qsizetype room = kMaxErrorBody - job->body_.size();
            if (room > 0)
                job->body_.append(data, std::min(room, length));
            return bytes;
        }
        if (job->request_.maxBytes > 0 && job->body_.size() + length > job->request_.maxBytes) {
            job->tooLarge_ = true;
            return 0;
        }
        job->body_.append(data, length);
        return bytes;
    }

    const DownloadRequest request_;
    const QByteArray agent_;
    std::function<void(const DownloadResult&)> done_;
    std::unique_ptr<curl_slist, SlistDeleter> headers_;
    QByteArray body_;
    bool tooLarge_ = false;
};

} // namespace

TransferTimeouts transferTimeouts()
{
    return hookedOr(&TestHooks::transferTimeouts, [] { return TransferTimeouts{}; });
}

void download(const DownloadRequest& request, std::function<void(const DownloadResult&)> done)
{
    curl::start(std::make_unique<DownloadJob>(request, std::move(done)));
}

void cancelTransfers()
{
    curl::cancelAll();
}

} // namespace quillet::platform
