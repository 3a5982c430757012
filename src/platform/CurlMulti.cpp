#include "platform/CurlMulti.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace quillet::platform::curl {

namespace {

// Bumped by cancelAll(): a report of an earlier generation is dropped.
std::atomic<int> g_generation{0};

// While a transfer runs, libcurl is driven at least this often, as its own loops do. WORKAROUND:
// waiting for an FTPS data connection's TLS handshake, libcurl 7.88 does not watch the control
// connection, where the server may have refused STOR (vsftpd answers 553 and leaves the
// handshake unanswered); left to its own timers it would learn of it only at the connect
// time-out, then take it for a failed EPSV ("Bad PASV/EPSV response: 553").
constexpr int kBusyPollMs = 100;
// At rest the thread waits for a new transfer alone.
constexpr int kRestPollMs = 24 * 3600 * 1000;
// How long the end of the program waits for the thread to let go.
constexpr auto kStopWait = std::chrono::seconds(2);

// The transfer thread: it owns the multi handle and every job handed to it. Made on first use
// and never destroyed: the program's end lets it go, or leaves it stuck inside libcurl.
class Transfers {
public:
    Transfers()
        : multi_(curl_multi_init())
        , thread_([this] { run(); })
    {
        thread_.detach();
    }

    void add(std::unique_ptr<Job> job, int generation)
    {
        const std::lock_guard lock(mutex_);
        incoming_.emplace_back(std::move(job), generation);
        curl_multi_wakeup(multi_);
    }

    void cancelAll()
    {
        const std::lock_guard lock(mutex_);
        incoming_.clear();
        cancel_ = true;
        curl_multi_wakeup(multi_);
    }

    void stop()
    {
        std::unique_lock lock(mutex_);
        stop_ = true;
        curl_multi_wakeup(multi_);
        stopped_.wait_for(lock, kStopWait, [this] { return done_; });
    }

private:
    void run()
    {
        for (;;) {
            std::vector<std::pair<std::unique_ptr<Job>, int>> incoming;
            {
                const std::lock_guard lock(mutex_);
                if (stop_)
                    break;
                incoming.swap(incoming_);
                if (std::exchange(cancel_, false))
                    removeAll();
            }
            for (auto& [job, generation] : incoming)
                start(std::move(job), generation);
            int running = 0;
            curl_multi_perform(multi_, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                if (message->msg == CURLMSG_DONE)
                    finish(message->easy_handle, message->data.result);
            }
            curl_multi_poll(multi_, nullptr, 0, jobs_.empty() ? kRestPollMs : kBusyPollMs, nullptr);
        }
        removeAll();
        const std::lock_guard lock(mutex_);
        done_ = true;
        stopped_.notify_all();
    }

    void start(std::unique_ptr<Job> job, int generation)
    {
        if (generation != g_generation)
            return;
        CURL* easy = job->handle();
        if (job->valid() && curl_multi_add_handle(multi_, easy) == CURLM_OK)
            jobs_[easy] = std::move(job);
        else // reported all the same, as a transfer that could not start
            job->finish(CURLE_FAILED_INIT);
    }

    void finish(CURL* easy, CURLcode code)
    {
        curl_multi_remove_handle(multi_, easy);
        const auto it = jobs_.find(easy);
        if (it == jobs_.end())
            return;
        const std::unique_ptr<Job> job = std::move(it->second);
        jobs_.erase(it);
        job->finish(code);
    }

    void removeAll()
    {
        for (auto& [easy, job] : std::exchange(jobs_, {}))
            curl_multi_remove_handle(multi_, easy);
    }

    CURLM* const multi_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<std::pair<std::unique_ptr<Job>, int>> incoming_;
    bool cancel_ = false;
    bool stop_ = false;
    bool done_ = false;
    std::map<CURL*, std::unique_ptr<Job>> jobs_; // the thread's own
    std::thread thread_;
};

Transfers* g_transfers = nullptr;

Transfers& transfers()
{
    if (g_transfers == nullptr) {
        // libcurl's global set-up is not thread-safe: done here, before the thread exists.
        ensureInitialised();
        g_transfers = new Transfers;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
            ++g_generation;
            g_transfers->stop();
        });
    }
    return *g_transfers;
}

} // namespace

Job::Job()
    : easy_(newEasy())
{
    if (easy_) {
        curl_easy_setopt(easy_.get(), CURLOPT_ERRORBUFFER, errorBuffer_);
        applyTimeouts(easy_.get());
        // Each transfer on a connection of its own, its certificate checked afresh: runs are
        // minutes apart, and nothing should ride on what an earlier one left open. A TLS
        // session is kept within the transfer only: FTPS servers want the data connection to
        // resume the control connection's.
        curl_easy_setopt(easy_.get(), CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy_.get(), CURLOPT_FORBID_REUSE, 1L);
    }
}

Job::~Job() = default;

void Job::deliver(std::function<void()> report) const
{
    const int generation = generation_;
    if (generation != g_generation)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [generation, report = std::move(report)] {
            if (generation == g_generation)
                report();
        },
        Qt::QueuedConnection);
}

void start(std::unique_ptr<Job> job)
{
    job->generation_ = g_generation;
    const int generation = job->generation_;
    transfers().add(std::move(job), generation);
}

void cancelAll()
{
    ++g_generation;
    if (g_transfers != nullptr)
        g_transfers->cancelAll();
}

} // namespace quillet::platform::curl
