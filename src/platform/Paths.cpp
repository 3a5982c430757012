#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

QString& overrideDir()
{
    static QString dir;
    return dir;
}

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

// $XDG_<kind>_HOME/quillet, or its default under the home folder; made owner-only.
QString xdgFolder(const char* variable, const char* fallback)
{
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
    const QString folder = base + QStringLiteral("/quillet");
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
                            : Folders{xdgFolder("XDG_CONFIG_HOME", ".config"),
                                      xdgFolder("XDG_DATA_HOME", ".local/share")};
    }
    return decided;
}

} // namespace

QString programDirectory()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    // Asked for before the application object exists, when a second copy looks for the
    // first: Linux tells it all the same.
    if (QCoreApplication::instance() == nullptr &&
        QFileInfo::exists(QStringLiteral("/proc/self/exe")))
        return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
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
    return settingsFolder() + QDir::separator() + name;
}

QString dataFile(const QString& name)
{
    return dataFolder() + QDir::separator() + name;
}

void setProgramDirectoryForTesting(const QString& dir)
{
    overrideDir() = QDir::toNativeSeparators(dir);
}

} // namespace quillet::platform
