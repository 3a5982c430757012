#include "platform/Autostart.h"

#include "platform/FileAccess.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quillet::platform {

namespace {

// The Exec key's quoting, as desktop entries require it: the path in double
// quotes with ", `, $ and \ escaped, then the string's own escape of \, and % doubled.
QString execValue(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    QString value = QLatin1Char('"') + quoted + QLatin1Char('"');
    return value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("%%"));
}

} // namespace

QString autostartFile()
{
    return userConfigFolder() + QStringLiteral("/autostart/quillet.desktop");
}

bool startsAtLogin()
{
    const FileRead entry = readOwnFile(autostartFile(), 64 * 1024);
    return entry.ok && !entry.bytes.contains("\nHidden=true");
}

bool setStartAtLogin(bool on, QString* error)
{
    const QString file = autostartFile();
    if (!on) {
        const QFileInfo info(file);
        if (!info.exists() && !info.isSymLink())
            return true;
        if (info.isSymLink() || !info.isFile() ||
            ::unlink(QFile::encodeName(file).constData()) != 0) {
            *error = QStringLiteral("%1: cannot remove it").arg(file);
            return false;
        }
        return true;
    }
    QDir().mkpath(QFileInfo(file).path());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quillet\n"
                                         "Comment=Watches this computer's addresses and tells "
                                         "the world when they change\n"
                                         "Exec=%1 --autostart\n"
                                         "TryExec=%2\n"
                                         "Icon=quillet\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(QCoreApplication::applicationFilePath()),
                                   QString(QCoreApplication::applicationFilePath())
                                       .replace(QLatin1Char('\\'), QStringLiteral("\\\\")));
    return writeOwnFile(file, entry.toUtf8(), error);
}

} // namespace quillet::platform
