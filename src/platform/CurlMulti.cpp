#include "platform/CurlMulti.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <map>

namespace quillet::platform::curl {

namespace {

class Multi : public QObject {
public:
    Multi()
        : QObject(QCoreApplication::instance())
        , multi_(curl_multi_init())
    {
        curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &Multi::onSocket);
        curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &Multi::onTimer);
        curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    }
    ~Multi() override
    {
        cancelAll();
        curl_multi_cleanup(multi_);
    }

    void start(std::unique_ptr<Job> job)
    {
        CURL* easy = job->handle();
        const bool added = job->valid() && curl_multi_add_handle(multi_, easy) == CURLM_OK;
        if (added) {
            jobs_[easy] = std::move(job);
            return;
        }
        // Finished from the event loop all the same, as a transfer that could not start.
        QTimer::singleShot(0, this, [failed = std::shared_ptr<Job>(std::move(job))] {
            failed->finish(CURLE_FAILED_INIT);
        });
    }

    void cancelAll()
    {
        for (auto& [easy, job] : std::exchange(jobs_, {}))
            curl_multi_remove_handle(multi_, easy);
        watched_.clear();
        timer_.stop();
    }

private:
    struct Watch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
    {
        static_cast<Multi*>(self)->watch(socket, what);
        return 0;
    }

    static int onTimer(CURLM*, long timeoutMs, void* self)
    {
        QTimer& timer = static_cast<Multi*>(self)->timer_;
        // No socket_action here (libcurl forbids it inside its callbacks): the loop does it.
        if (timeoutMs < 0)
            timer.stop();
        else
            timer.start(static_cast<int>(std::min(timeoutMs, 24L * 3600 * 1000)));
        return 0;
    }

    void watch(curl_socket_t socket, int what)
    {
        if (what == CURL_POLL_REMOVE) {
            if (auto it = watched_.find(socket); it != watched_.end()) {
                // It may be the notifier whose signal is being handled right now.
                for (auto* n : {it->second.read.release(), it->second.write.release()}) {
                    if (n) {
                        n->setEnabled(false);
                        n->deleteLater();
                    }
                }
                watched_.erase(it);
            }
            return;
        }
        Watch& w = watched_[socket];
        const auto ensure = [this, socket](std::unique_ptr<QSocketNotifier>& n,
                                           QSocketNotifier::Type type, bool wanted, int flag) {
            if (wanted && !n) {
                n = std::make_unique<QSocketNotifier>(socket, type);
                connect(n.get(), &QSocketNotifier::activated, this,
                        [this, socket, flag] { act(socket, flag); });
            }
            if (n)
                n->setEnabled(wanted);
        };
        ensure(w.read, QSocketNotifier::Read, (what & CURL_POLL_IN) != 0, CURL_CSELECT_IN);
        ensure(w.write, QSocketNotifier::Write, (what & CURL_POLL_OUT) != 0, CURL_CSELECT_OUT);
    }

    void act(curl_socket_t socket, int flags)
    {
        int running = 0;
        curl_multi_socket_action(multi_, socket, flags, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* easy = message->easy_handle;
            const CURLcode code = message->data.result;
            curl_multi_remove_handle(multi_, easy);
            const auto it = jobs_.find(easy);
            if (it == jobs_.end())
                continue;
            std::unique_ptr<Job> job = std::move(it->second);
            jobs_.erase(it);
            // It may start the next transfer; this loop reads on past it safely.
            job->finish(code);
        }
    }

    CURLM* multi_;
    QTimer timer_;
    std::map<curl_socket_t, Watch> watched_;
    std::map<CURL*, std::unique_ptr<Job>> jobs_;
};

Multi& multi()
{
    static QPointer<Multi> instance;
    if (!instance)
        instance = new Multi;
    return *instance;
}

} // namespace

Job::Job()
    : easy_(newEasy())
{
    if (easy_) {
        curl_easy_setopt(easy_.get(), CURLOPT_ERRORBUFFER, errorBuffer_);
        applyTimeouts(easy_.get());
        // Each transfer on a connection of its own, its certificate checked afresh: runs are
        // minutes apart, and nothing should ride on what an earlier one left open.
        curl_easy_setopt(easy_.get(), CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy_.get(), CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(easy_.get(), CURLOPT_SSL_SESSIONID_CACHE, 0L);
    }
}

Job::~Job() = default;

void start(std::unique_ptr<Job> job)
{
    multi().start(std::move(job));
}

void cancelAll()
{
    multi().cancelAll();
}

} // namespace quillet::platform::curl
