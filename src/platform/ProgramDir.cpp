#include "platform/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>

namespace quillet::platform {

namespace {
QString& overrideDir()
{
    static QString dir;
    return dir;
}
} // namespace

QString programDirectory()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString programFile(const QString& name)
{
    return programDirectory() + QDir::separator() + name;
}

void setProgramDirectoryForTesting(const QString& dir)
{
    overrideDir() = QDir::toNativeSeparators(dir);
}

} // namespace quillet::platform
