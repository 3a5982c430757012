#pragma once

#include "platform/FileAccess.h"

#include <QFuture>
#include <QPromise>

#include <functional>
#include <memory>
#include <type_traits>

namespace quillet::platform {

// File work off the window's thread, so that a slow or hung disk (a network share, an fsync
// behind a busy device) never holds the window: jobs run one at a time, in the order they
// were queued, on a thread of their own. Continue with `.then(context, …)` to be back on the
// context's thread; the continuation is dropped if the context is gone first.
void queueDiskJob(std::function<void()> job);

template <typename Work> auto onDisk(Work work) -> QFuture<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    // Shared: the pool takes a copyable job, and a promise only moves.
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    queueDiskJob([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

// The same writes as FileAccess.h's, queued; each future holds the failure's sentence, or
// null text when the write succeeded.
QFuture<QString> writeOwnFileLater(const QString& path, const QByteArray& bytes, bool sync = true);
QFuture<QString> appendToOwnFileLater(const QString& path, const QByteArray& bytes);

// Waits at most `msecs` for every queued job to end (at shutdown); whether they all did.
bool finishDiskJobs(int msecs);

} // namespace quillet::platform
