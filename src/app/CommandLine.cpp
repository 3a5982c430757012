#include "app/CommandLine.h"

#include "platform/VersionInfo.h"

#include <QCommandLineParser>

namespace quillet {

CommandLine parseCommandLine(const QStringList& arguments)
{
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
    return {false,
            false,
            2,
            {},
            QStringLiteral("quillet: unknown argument: %1\n")
                    .arg(arguments.mid(1).join(QLatin1Char(' '))) +
                usage};
}

} // namespace quillet
