#include "platform/SingleInstance.h"

#include "platform/Shutdown.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

QString why(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder only this user can enter: $XDG_RUNTIME_DIR (Qt makes and checks it, or its own in
// the temporary folder), else one of ours beside the settings.
QString privateFolder(const QString& settingsFolder)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    const QString folder = settingsFolder + QStringLiteral("/.quillet-socket");
    const QByteArray name = QFile::encodeName(folder);
    ::mkdir(name.constData(), S_IRWXU);
    struct stat st = {};
    const bool private_ = ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
                          st.st_uid == ::getuid() && (st.st_mode & 0077) == 0;
    return private_ ? folder : QString();
}

} // namespace

SingleInstance::SingleInstance(const QString& settingsFolder)
    : lockPath_(settingsFolder + QStringLiteral("/quillet.lock"))
{
    // One name for the folder and the user, the same for every copy that uses it.
    const QByteArray key = QFile::encodeName(QDir(settingsFolder).canonicalPath()) + '\n' +
                           QByteArray::number(::getuid());
    const QString folder = privateFolder(settingsFolder);
    if (!folder.isEmpty())
        socketPath_ = folder + QStringLiteral("/quillet-") +
                      QString::fromLatin1(
                          QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));

    // flock() rather than QLockFile: the kernel lets go of it however a copy ends, where
    // QLockFile guesses from a PID and the age of its file whether a lock is stale.
    const QByteArray lock = QFile::encodeName(lockPath_);
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    lockFd_ = ::open(lock.constData(), O_RDWR | O_CREAT | kFlags, S_IRUSR | S_IWUSR);
    // A folder that cannot be written still locks with a lock file that is there already; one
    // that holds none cannot tell copies apart, and says so.
    if (lockFd_ < 0 && (errno == EROFS || errno == EACCES)) {
        lockFd_ = ::open(lock.constData(), O_RDONLY | kFlags);
        if (lockFd_ < 0 && errno == ENOENT) {
            problem_ = QStringLiteral("%1: cannot be made in a folder that cannot be written; "
                                      "another copy would not be noticed")
                           .arg(lockPath_);
            return;
        }
    }
    struct stat st = {};
    if (lockFd_ < 0 || ::fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::getuid()) {
        standing_ = Standing::Unusable;
        problem_ = QStringLiteral("%1: %2; another copy could not be noticed")
                       .arg(lockPath_, lockFd_ < 0            ? why(errno)
                                       : !S_ISREG(st.st_mode) ? QStringLiteral("not a regular file")
                                                              : QStringLiteral("another user's"));
        if (lockFd_ >= 0)
            ::close(std::exchange(lockFd_, -1));
        return;
    }
    if (!takeLock())
        standing_ = Standing::Second;
}

SingleInstance::~SingleInstance()
{
    server_.reset();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

bool SingleInstance::takeLock()
{
    return lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0;
}

bool SingleInstance::waitForLock(std::chrono::milliseconds wait)
{
    if (standing_ != Standing::Second)
        return standing_ == Standing::First;
    const QDeadlineTimer deadline(wait);
    while (!takeLock()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    standing_ = Standing::First;
    return true;
}

bool SingleInstance::listen()
{
    if (standing_ != Standing::First)
        return false;
    if (socketPath_.isEmpty()) {
        problem_ = QStringLiteral("no folder only this user can reach for the socket; "
                                  "another start would run a second copy");
        return false;
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket left by a copy that crashed is stale.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        problem_ = QStringLiteral("%1: %2; another start would run a second copy")
                       .arg(socketPath_, server_->errorString());
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                // A copy asked to end (a restart) must not say it shows: the new one waits.
                if (client->readAll().startsWith("show") && !shutdownRequested()) {
                    client->write("shown\n");
                    emit showRequested();
                }
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

void SingleInstance::stopListening()
{
    server_.reset();
}

bool SingleInstance::askToShow()
{
    if (socketPath_.isEmpty())
        return false;
    // The first copy may still be starting: a few tries, three seconds at most.
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(500)) {
            socket.write("show\n");
            // Only an answer counts: a copy about to end takes the request and does nothing.
            return socket.waitForBytesWritten(1000) && socket.waitForReadyRead(1000) &&
                   socket.readAll().startsWith("shown");
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace quillet::platform
