#pragma once

// libcurl's multi interface on a thread of its own: libcurl waits inside its calls for some
// replies (an FTP server's 226 and its answer to QUIT), and no such wait may hold the window's
// thread. Not part of the platform's interface; Download.cpp and FtpPut.cpp build on it.

#include "platform/CurlSupport.h"

#include <functional>
#include <memory>

namespace quillet::platform::curl {

// One transfer: its handle, what the handle points at, and what to do when it ends. Made on
// the thread that starts it; its libcurl callbacks and finish() run on the transfer thread.
class Job {
public:
    Job();
    virtual ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    CURL* handle() const { return easy_.get(); }
    bool valid() const { return easy_ != nullptr; }
    // Why it failed, in words a user can act on.
    QString errorText(CURLcode code) const { return curl::errorText(handle(), code, errorBuffer_); }

    // Runs once, on the transfer thread, when the transfer has ended; reports through
    // deliver().
    virtual void finish(CURLcode code) = 0;

protected:
    // Runs `report` on the application's thread, unless the transfers were cancelled meanwhile.
    void deliver(std::function<void()> report) const;

private:
    friend void start(std::unique_ptr<Job> job);
    Easy easy_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    int generation_ = 0;
};

// Hands `job` to the transfer thread; its report never comes before start() has returned.
void start(std::unique_ptr<Job> job);

// Ends every transfer at once; none of them reports any more: the program is ending.
void cancelAll();

} // namespace quillet::platform::curl
