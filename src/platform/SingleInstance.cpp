#include "platform/SingleInstance.h"

#include "platform/Log.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {
void warnLock(const QString& path, const char* why)
{
    warn(QStringLiteral("%1: %2; another copy would not be noticed")
             .arg(path, QString::fromLocal8Bit(why)));
}
} // namespace

SingleInstance::SingleInstance(const QString& settingsFolder)
{
    // One name for the folder and the user, the same for every copy that uses it.
    const QByteArray key = QFile::encodeName(QDir(settingsFolder).canonicalPath()) + '\n' +
                           QByteArray::number(::getuid());
    name_ = QStringLiteral("quillet-") +
            QString::fromLatin1(
                QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));

    // flock() rather than QLockFile: the kernel lets go of it however a copy ends, where
    // QLockFile guesses from a PID and the age of its file whether a lock is stale.
    const QString lock = settingsFolder + QStringLiteral("/quillet.lock");
    lockFd_ = ::open(QFile::encodeName(lock).constData(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR);
    struct stat st = {};
    if (lockFd_ < 0 || ::fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        warnLock(lock, lockFd_ < 0 ? std::strerror(errno) : "not a regular file; left alone");
        if (lockFd_ >= 0)
            ::close(std::exchange(lockFd_, -1));
        return;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        first_ = errno != EWOULDBLOCK;
        if (first_)
            warnLock(lock, std::strerror(errno));
        return;
    }
}

void SingleInstance::listen()
{
    if (!first_ || lockFd_ < 0)
        return;
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket left by a copy that crashed is stale.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().startsWith("show"))
                    emit showRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}

SingleInstance::~SingleInstance()
{
    server_.reset();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

bool SingleInstance::askToShow()
{
    // The first copy may still be starting: a few tries, three seconds at most.
    const QDeadlineTimer deadline(3000);
    for (int attempt = 0; attempt < 30 && !deadline.hasExpired(); ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(name_);
        if (socket.waitForConnected(500)) {
            socket.write("show\n");
            return socket.waitForBytesWritten(1000);
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace quillet::platform
