#include "platform/DiskQueue.h"

#include <QThreadPool>

namespace quillet::platform {

namespace {

// One thread keeps the jobs in order; once made it stays, asleep between jobs, rather than
// waking to end and being made again at every check. Never destroyed: a job held by a hung
// disk must not hold the program's exit as well.
QThreadPool& diskPool()
{
    static QThreadPool* const pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(1);
        created->setExpiryTimeout(-1);
        created->setObjectName(QStringLiteral("disk"));
        return created;
    }();
    return *pool;
}

} // namespace

void queueDiskJob(std::function<void()> job)
{
    diskPool().start(std::move(job));
}

QFuture<QString> writeOwnFileLater(const QString& path, const QByteArray& bytes, bool sync)
{
    return onDisk([path, bytes, sync] {
        QString error;
        return writeOwnFile(path, bytes, &error, sync) ? QString() : error;
    });
}

QFuture<QString> appendToOwnFileLater(const QString& path, const QByteArray& bytes)
{
    return onDisk([path, bytes] {
        QString error;
        return appendToOwnFile(path, bytes, &error) ? QString() : error;
    });
}

bool finishDiskJobs(int msecs)
{
    return diskPool().waitForDone(msecs);
}

} // namespace quillet::platform
