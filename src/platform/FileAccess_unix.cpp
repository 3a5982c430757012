#include "platform/FileAccess.h"

#include "platform/TestHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

QString failure(const QString& path, const char* what, int error)
{
    return QStringLiteral("%1: %2: %3")
        .arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

QString notRegular(const QString& path)
{
    return QStringLiteral("%1: not a regular file (a link, FIFO, device or folder); left alone")
        .arg(path);
}

// Closes the descriptor however the function that opened it ends.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Opens `path` without following a link or waiting on a FIFO, and only if it is a regular
// file; -1 with errno, or with `*irregular` set.
int openRegular(const QString& path, int flags, bool* irregular)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kOwnerOnly);
    if (fd < 0) {
        // ELOOP: the name is a symbolic link. ENXIO: a FIFO nobody reads.
        *irregular = errno == ELOOP || errno == ENXIO;
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *irregular = true;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Lets a test see which files the window's thread still waits on.
void noteThread(const QString& path)
{
    TestHooks* hooks = testHooks();
    const QCoreApplication* app = QCoreApplication::instance();
    if (hooks != nullptr && app != nullptr && QThread::currentThread() == app->thread())
        hooks->fileOnMainThread(path);
}

} // namespace

FileRead readOwnFile(const QString& path, qint64 maxBytes)
{
    noteThread(path);
    FileRead result;
    bool irregular = false;
    Fd file{openRegular(path, O_RDONLY, &irregular)};
    if (file.fd < 0) {
        result.exists = irregular || errno != ENOENT;
        result.error = irregular ? notRegular(path) : failure(path, "cannot read", errno);
        return result;
    }
    result.exists = true;
    result.bytes.resize(maxBytes + 1);
    qint64 got = 0;
    while (got <= maxBytes) {
        const ssize_t n =
            ::read(file.fd, result.bytes.data() + got, static_cast<size_t>(maxBytes + 1 - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.error = failure(path, "cannot read", errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    result.cut = got > maxBytes;
    result.bytes.truncate(std::min(got, maxBytes));
    result.ok = true;
    return result;
}

bool writeOwnFile(const QString& path, const QByteArray& bytes, QString* error, bool sync)
{
    noteThread(path);
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = notRegular(path);
        return false;
    }
    // A new file of our own beside the old one, renamed over it once it is whole: the rename
    // replaces a link planted meanwhile, never what it points to.
    QByteArray temp = name + ".XXXXXX";
    Fd file{::mkostemp(temp.data(), O_CLOEXEC)};
    if (file.fd < 0) {
        *error = failure(path, "cannot write", errno);
        return false;
    }
    const bool ok = ::fchmod(file.fd, kOwnerOnly) == 0 &&
                    writeAll(file.fd, bytes.constData(), bytes.size()) &&
                    (!sync || ::fsync(file.fd) == 0) && ::close(std::exchange(file.fd, -1)) == 0 &&
                    ::rename(temp.constData(), name.constData()) == 0;
    if (!ok) {
        *error = failure(path, "cannot write; the old file is kept", errno);
        ::unlink(temp.constData());
        return false;
    }
    // The rename is on disk only once the folder is.
    if (sync) {
        Fd folder{::open(QFile::encodeName(QFileInfo(path).path()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (folder.fd >= 0)
            ::fsync(folder.fd);
    }
    return true;
}

bool appendToOwnFile(const QString& path, const QByteArray& bytes, QString* error)
{
    noteThread(path);
    bool irregular = false;
    Fd file{openRegular(path, O_WRONLY | O_APPEND | O_CREAT, &irregular)};
    if (file.fd < 0) {
        *error = irregular ? notRegular(path) : failure(path, "cannot write", errno);
        return false;
    }
    struct stat st = {};
    if (::fstat(file.fd, &st) != 0) {
        *error = failure(path, "cannot append", errno);
        return false;
    }
    if (!writeAll(file.fd, bytes.constData(), bytes.size())) {
        const int cause = errno;
        // Half a line would join the next one: what was written of it goes again.
        [[maybe_unused]] const int cut = ::ftruncate(file.fd, st.st_size);
        *error = failure(path, "cannot append", cause);
        return false;
    }
    return true;
}

QString temporaryFileTarget(const QString& entry)
{
    constexpr qsizetype kLetters = 6;
    const qsizetype dot = entry.size() - kLetters - 1;
    if (dot < 1 || entry.at(dot) != QLatin1Char('.'))
        return {};
    for (qsizetype i = dot + 1; i < entry.size(); ++i) {
        const char16_t c = entry.at(i).unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return {};
    }
    return entry.left(dot);
}

void removeStrayTemporaries(const QString& folder, const QStringList& names)
{
    // What writeOwnFile() leaves when the program is killed between making its new file and
    // the rename: "<name>.XXXXXX", owner-only, ours.
    const QStringList strays = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : strays) {
        const QString target = temporaryFileTarget(entry);
        if (target.isEmpty() || !names.contains(target))
            continue;
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + entry);
        struct stat st = {};
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(path.constData());
    }
}

} // namespace quillet::platform
