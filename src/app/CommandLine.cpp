#include "app/CommandLine.h"

#include "platform/VersionInfo.h"

#include <QCommandLineParser>

namespace quillet {

namespace {

// An argument as it can be shown: cut short, and a byte that is no part of UTF-8 text or a
// control character written as \xNN.
QString shown(const QByteArray& argument)
{
    constexpr qsizetype kLongest = 80;
    QString text;
    for (qsizetype i = 0; i < argument.size() && text.size() < kLongest;) {
        // The longest piece from i on that is UTF-8 of printable characters.
        qsizetype end = i;
        QString piece;
        for (qsizetype length = 1; length <= 4 && i + length <= argument.size(); ++length) {
            const QString decoded = QString::fromUtf8(argument.mid(i, length));
            const QList<uint> characters = decoded.toUcs4();
            if (decoded.toUtf8() == argument.mid(i, length) && characters.size() == 1 &&
                QChar::isPrint(characters.first())) {
                end = i + length;
                piece = decoded;
                break;
            }
        }
        if (end == i) {
            text += QStringLiteral("\\x%1").arg(static_cast<uchar>(argument.at(i)), 2, 16,
                                                QLatin1Char('0'));
            ++i;
        } else {
            text += piece;
            i = end;
        }
    }
    return text.size() >= kLongest ? text.left(kLongest) + QStringLiteral("…") : text;
}

} // namespace

CommandLine parseCommandLine(const QList<QByteArray>& argv)
{
    QStringList arguments;
    for (const QByteArray& argument : argv)
        arguments << QString::fromLocal8Bit(argument);
    // Our own usage text: QCommandLineParser's would list Qt's options too.
    const QString usage =
        QStringLiteral("Usage: quillet [--autostart | --help | --version]\n"
                       "Watches this computer's external and internal IPv4 addresses from the\n"
                       "notification area and, when they change, tells the world: an e-mail,\n"
                       "an FTP upload, a DynDNS update, a call of your own URL.\n"
                       "\n"
                       "  --autostart  started at login: wait up to a minute for the\n"
                       "               notification area before showing the window\n"
                       "  --help       show this help and exit\n"
                       "  --version    show the version and the licence, and exit\n");
    QCommandLineParser parser;
    const QCommandLineOption autostart(QStringLiteral("autostart"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({autostart, help, version});
    const bool parsed = parser.parse(arguments) && parser.positionalArguments().isEmpty() &&
                        parser.optionNames().size() <= 1;
    if (parsed && !parser.isSet(help) && !parser.isSet(version))
        return {true, parser.isSet(autostart), 0, {}, {}};
    if (parsed && parser.isSet(help))
        return {false, false, 0, usage, {}};
    if (parsed)
        return {false,
                false,
                0,
                platform::versionTitle() +
                    QStringLiteral("\nLicence GPL-3.0-or-later: the GNU General Public License, "
                                   "version 3 or later\n<https://www.gnu.org/licenses/gpl.html>. "
                                   "This is free software: you may change and\nshare it. There "
                                   "is NO WARRANTY, to the extent permitted by law.\n"),
                {}};
    QByteArray given = argv.value(1);
    for (const QByteArray& argument : argv.mid(2))
        given += ' ' + argument;
    return {false,
            false,
            2,
            {},
            QStringLiteral("quillet: unknown argument: %1\n").arg(shown(given)) + usage};
}

} // namespace quillet
