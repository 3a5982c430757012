#include "platform/Display.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

namespace quillet::platform {

void chooseDisplayPlatform()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    std::fputs("quillet: no display found; running without a window (Qt offscreen platform)\n",
               stderr);
#endif
}

} // namespace quillet::platform
