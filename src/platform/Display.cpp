#include "platform/Display.h"

#include "platform/Log.h"

#include <QByteArray>
#include <QtGlobal>

namespace quillet::platform {

void chooseDisplayPlatform()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    warn(QStringLiteral("no display found; running without a window (Qt offscreen platform)"));
#endif
}

} // namespace quillet::platform
