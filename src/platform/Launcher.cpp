#include "platform/Launcher.h"

#include <QDesktopServices>

namespace quillet::platform {

namespace {
std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> function;
    return function;
}
} // namespace

bool openWithDesktop(const QUrl& url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void setDesktopOpenerForTesting(std::function<bool(const QUrl&)> function)
{
    opener() = std::move(function);
}

} // namespace quillet::platform
