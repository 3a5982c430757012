#include "platform/Autostart.h"

#include "platform/FileAccess.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
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

// The entry's keys of its [Desktop Entry] group, blanks around "=" allowed.
QMap<QString, QString> entryKeys(const QByteArray& bytes)
{
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray& line : bytes.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith(QLatin1Char('[')))
            inGroup = text == QLatin1String("[Desktop Entry]");
        else if (inGroup && text.contains(QLatin1Char('=')))
            keys.insert(text.section(QLatin1Char('='), 0, 0).trimmed(),
                        text.section(QLatin1Char('='), 1).trimmed());
    }
    return keys;
}

QString thisProgram()
{
    return QCoreApplication::applicationFilePath();
}

// Whose the entry is: this program's, another's, or nobody's (no entry); a file that cannot
// be read as one is an error.
enum class Owner { Nobody, ThisCopy, Another };
Owner entryOwner(QMap<QString, QString>* keys, QString* error)
{
    const FileRead entry = readOwnFile(autostartFile(), 64 * 1024);
    if (!entry.exists)
        return Owner::Nobody;
    if (!entry.ok) {
        *error = entry.error;
        return Owner::Another;
    }
    *keys = entryKeys(entry.bytes);
    const QString exec = keys->value(QStringLiteral("Exec"));
    const QString mine = execValue(thisProgram());
    return exec == mine || exec.startsWith(mine + QLatin1Char(' ')) ? Owner::ThisCopy
                                                                    : Owner::Another;
}

} // namespace

QString autostartFile()
{
    return userConfigFolder() + QStringLiteral("/autostart/quillet.desktop");
}

bool startsAtLogin()
{
    QMap<QString, QString> keys;
    QString error;
    return entryOwner(&keys, &error) == Owner::ThisCopy &&
           keys.value(QStringLiteral("Hidden"))
                   .compare(QLatin1String("true"), Qt::CaseInsensitive) != 0 &&
           keys.value(QStringLiteral("X-GNOME-Autostart-enabled"))
                   .compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
}

bool setStartAtLogin(bool on, QString* error)
{
    const QString file = autostartFile();
    QMap<QString, QString> keys;
    QString unreadable;
    const Owner owner = entryOwner(&keys, &unreadable);
    if (!unreadable.isEmpty()) {
        *error = unreadable;
        return false;
    }
    if (!on) {
        if (owner != Owner::ThisCopy)
            return true;
        if (::unlink(QFile::encodeName(file).constData()) != 0) {
            *error = QStringLiteral("%1: cannot remove it").arg(file);
            return false;
        }
        return true;
    }
    if (owner == Owner::Another) {
        *error = QStringLiteral("%1 starts another copy (%2); untick it there first")
                     .arg(file, keys.value(QStringLiteral("Exec")));
        return false;
    }
    // An entry is UTF-8 text, one key a line: a path with a line break, a tab or bytes that
    // are no UTF-8 cannot be written into one.
    const QString program = thisProgram();
    if (QFile::encodeName(program) != program.toUtf8() ||
        std::any_of(program.cbegin(), program.cend(), [](QChar c) { return c.unicode() < 0x20; })) {
        *error = QStringLiteral("This program's path cannot be written into an autostart entry: "
                                "%1")
                     .arg(program);
        return false;
    }
    QDir().mkpath(QFileInfo(file).path());
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Quillet\n"
                       "Comment=Watches this computer's addresses and tells "
                       "the world when they change\n"
                       "Exec=%1 --autostart\n"
                       "TryExec=%2\n"
                       "Icon=quillet\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(execValue(program),
                 QString(program).replace(QLatin1Char('\\'), QStringLiteral("\\\\")));
    return writeOwnFile(file, entry.toUtf8(), error);
}

} // namespace quillet::platform
