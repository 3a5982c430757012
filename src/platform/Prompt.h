#pragma once

#include <QString>

namespace quillet::platform {

// A modal prompt over one edit field: the typed text, or empty text when it was cancelled
// (or nobody could answer it: there is no display).
QString askForText(const QString& title, const QString& prompt);

} // namespace quillet::platform
