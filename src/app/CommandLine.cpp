#include "app/CommandLine.h"

#include "app/Quillet.h"
#include "platform/VersionInfo.h"

namespace quillet {

CommandLine ParseCommandLine(const QStringList& arguments)
{
    const QString usage =
        QStringLiteral("Usage: quillet [--help | --version]\n"
                       "Watches this computer's external and internal IPv4 addresses from the\n"
                       "notification area and, when they change, tells the world: an e-mail,\n"
                       "an FTP upload, a DynDNS update, a call of your own URL.\n"
                       "\n"
                       "  --help     show this help and exit\n"
                       "  --version  show the version and exit\n");
    if (arguments.isEmpty())
        return {};
    if (arguments == QStringList{QStringLiteral("--help")})
        return {false, 0, usage, {}};
    if (arguments == QStringList{QStringLiteral("--version")})
        return {false, 0, BuildAppTitle(platform::versionRecord()) + QLatin1Char('\n'), {}};
    return {
        false,
        2,
        {},
        QStringLiteral("quillet: unknown argument: %1\n").arg(arguments.join(QLatin1Char(' '))) +
            usage};
}

} // namespace quillet
