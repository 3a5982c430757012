#include "app/CommandLine.h"

#include "platform/VersionInfo.h"

#include <QCommandLineParser>

namespace quillet {

CommandLine parseCommandLine(const QStringList& arguments)
{
    // Our own usage text: QCommandLineParser's would list Qt's options too.
    const QString usage =
        QStringLiteral("Usage: quillet [--help | --version]\n"
                       "Watches this computer's external and internal IPv4 addresses from the\n"
                       "notification area and, when they change, tells the world: an e-mail,\n"
                       "an FTP upload, a DynDNS update, a call of your own URL.\n"
                       "\n"
                       "  --help     show this help and exit\n"
                       "  --version  show the version and exit\n");
    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    const bool parsed = parser.parse(arguments);
    const QStringList given = parser.optionNames();
    if (parsed && given.isEmpty() && parser.positionalArguments().isEmpty())
        return {};
    if (parsed && given.size() == 1 && parser.positionalArguments().isEmpty())
        return {false,
                0,
                parser.isSet(help) ? usage : platform::versionTitle() + QLatin1Char('\n'),
                {}};
    return {false,
            2,
            {},
            QStringLiteral("quillet: unknown argument: %1\n")
                    .arg(arguments.mid(1).join(QLatin1Char(' '))) +
                usage};
}

} // namespace quillet
