#include "platform/Paths.h"

#include "platform/TestHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

Folders g_folders;

// The home folder and the XDG base directories must be absolute; the XDG rules say a relative
// one is ignored, which Qt 6.4 does not do. A HOME that is unset,
// empty or relative is taken from the password database.
void settleEnvironment()
{
    if (QDir::isRelativePath(qEnvironmentVariable("HOME"))) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
            qputenv("HOME", QByteArray(user->pw_dir));
    }
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        if (QDir::isRelativePath(qEnvironmentVariable(variable)))
            qunsetenv(variable);
    }
}

// <location>/quillet, made owner-only.
QString quilletFolder(QStandardPaths::StandardLocation location)
{
    settleEnvironment();
    const QString folder = QStandardPaths::writableLocation(location) + QStringLiteral("/quillet");
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    return folder;
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

Folders userFolders()
{
    return {quilletFolder(QStandardPaths::GenericConfigLocation),
            quilletFolder(QStandardPaths::GenericDataLocation)};
}

QString userConfigFolder()
{
    settleEnvironment();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

bool isProgramsFolder(const QString& dir)
{
    return QFileInfo(dir).fileName() == QLatin1String("bin");
}

void useFolders(const Folders& folders)
{
    g_folders = folders;
}

QString settingsFolder()
{
    return g_folders.settings.isEmpty() ? programDirectory() : g_folders.settings;
}

QString dataFolder()
{
    return g_folders.data.isEmpty() ? programDirectory() : g_folders.data;
}

QString settingsFile(const QString& name)
{
    return settingsFolder() + QLatin1Char('/') + name;
}

QString dataFile(const QString& name)
{
    return dataFolder() + QLatin1Char('/') + name;
}

} // namespace quillet::platform
