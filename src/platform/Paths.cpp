#include "platform/Paths.h"

#include "platform/TestHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

struct Folders {
    QString settings;
    QString data;
};

// What the install rules put down: <prefix>/bin/quillet beside <prefix>/share/applications.
bool installedLayout(const QString& dir)
{
    if (QFileInfo(dir).fileName() != QLatin1String("bin"))
        return false;
    const QStringList entries =
        QDir(dir + QStringLiteral("/../share/applications")).entryList({"*.desktop"}, QDir::Files);
    return std::any_of(entries.cbegin(), entries.cend(), [](const QString& name) {
        return name.contains(QLatin1String("quillet"), Qt::CaseInsensitive);
    });
}

// The XDG base directories must be absolute; a relative one is to be ignored (XDG Base
// Directory Specification), which Qt 6.4 does not do.
void ignoreRelativeXdgFolders()
{
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        if (QDir::isRelativePath(qEnvironmentVariable(variable)))
            qunsetenv(variable);
    }
}

// <location>/quillet, made owner-only.
QString xdgFolder(QStandardPaths::StandardLocation location)
{
    ignoreRelativeXdgFolders();
    const QString folder = QStandardPaths::writableLocation(location) + QStringLiteral("/quillet");
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    return folder;
}

const Folders& folders()
{
    static Folders decided;
    static QString decidedFor;
    const QString dir = programDirectory();
    if (decided.settings.isEmpty() || decidedFor != dir) {
        decidedFor = dir;
        const bool writable = ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
        const bool ownFolder =
            writable &&
            (QFileInfo(dir + QStringLiteral("/config.txt")).exists() || !installedLayout(dir));
        decided = ownFolder ? Folders{dir, dir}
                            : Folders{xdgFolder(QStandardPaths::GenericConfigLocation),
                                      xdgFolder(QStandardPaths::GenericDataLocation)};
    }
    return decided;
}

} // namespace

QString programDirectory()
{
    return hookedOr(&TestHooks::programDirectory, [] {
        // Asked for before the application object exists, when a second copy looks for the
        // first: Linux tells it all the same.
        if (QCoreApplication::instance() == nullptr &&
            QFileInfo::exists(QStringLiteral("/proc/self/exe")))
            return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        return QCoreApplication::applicationDirPath();
    });
}

QString settingsFolder()
{
    return folders().settings;
}

QString dataFolder()
{
    return folders().data;
}

QString settingsFile(const QString& name)
{
    return settingsFolder() + QLatin1Char('/') + name;
}

QString dataFile(const QString& name)
{
    return dataFolder() + QLatin1Char('/') + name;
}

QString userConfigFolder()
{
    ignoreRelativeXdgFolders();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace quillet::platform
