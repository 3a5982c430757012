#include "platform/Launcher.h"

#include "platform/TestHooks.h"

#include <QDesktopServices>

namespace quillet::platform {

bool openWithDesktop(const QUrl& url)
{
    if (TestHooks* hooks = testHooks()) {
        if (const std::optional<bool> opened = hooks->openUrl(url))
            return *opened;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace quillet::platform
