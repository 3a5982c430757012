#pragma once

#include <QUrl>

#include <functional>

namespace quillet::platform {

// Hands a file or web address to the desktop's own handler for it (text editor, browser)
// without waiting. The result is the desktop's answer; callers may ignore it.
bool openWithDesktop(const QUrl& url);

// Tests see the address instead of a program being started.
void setDesktopOpenerForTesting(std::function<bool(const QUrl&)> opener);

} // namespace quillet::platform
