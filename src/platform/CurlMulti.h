#pragma once

// libcurl's multi interface on the event loop of the thread that uses it: socket notifiers
// and one timer drive every transfer, so none blocks the thread. Not part of the platform's
// interface; Download.cpp and FtpPut.cpp build on it.

#include "platform/CurlSupport.h"

#include <memory>

namespace quillet::platform::curl {

// One transfer: its handle, what the handle points at, and what to do when it ends.
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

    // Runs once, from the event loop, when the transfer has ended.
    virtual void finish(CURLcode code) = 0;

private:
    Easy easy_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

// Starts `job` on the current thread's event loop; its finish() never runs before start()
// has returned.
void start(std::unique_ptr<Job> job);

// Ends every transfer at once, without finishing them: the program is ending.
void cancelAll();

} // namespace quillet::platform::curl
