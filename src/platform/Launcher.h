#pragma once

#include <QUrl>

namespace quillet::platform {

// Hands a file or web address to the desktop's own handler for it (text editor, browser)
// without waiting. The result is the desktop's answer; callers may ignore it.
bool openWithDesktop(const QUrl& url);

} // namespace quillet::platform
