#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillet::platform {

// Where POSIX calls are missing, Qt's files with the same checks, made just before use.

namespace {
bool regularOrMissing(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isFile() && !info.isSymLink())
        return true;
    *error = QStringLiteral("%1: not a regular file; left alone").arg(path);
    return false;
}
constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
} // namespace

FileRead readOwnFile(const QString& path, qint64 maxBytes)
{
    FileRead result;
    result.exists = QFileInfo(path).exists() || QFileInfo(path).isSymLink();
    QFile file(path);
    if (!regularOrMissing(path, &result.error) || !file.open(QIODevice::ReadOnly)) {
        if (result.error.isEmpty())
            result.error = path + QStringLiteral(": ") + file.errorString();
        return result;
    }
    result.bytes = file.read(maxBytes + 1);
    result.cut = result.bytes.size() > maxBytes;
    result.bytes.truncate(maxBytes);
    result.ok = true;
    return result;
}

bool writeOwnFile(const QString& path, const QByteArray& bytes, QString* error, bool)
{
    if (!regularOrMissing(path, error))
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.setPermissions(kOwnerOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = path + QStringLiteral(": ") + file.errorString();
    file.cancelWriting();
    return false;
}

bool appendToOwnFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    if (!regularOrMissing(path, error))
        return false;
    const bool created = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (created)
        file.setPermissions(kOwnerOnly);
    const qint64 size = file.size();
    if (file.write(bytes) == bytes.size())
        return true;
    *error = path + QStringLiteral(": ") + file.errorString();
    file.resize(size);
    return false;
}

} // namespace quillet::platform
