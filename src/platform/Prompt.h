#pragma once

#include <QString>

namespace quillet::platform {

// A modal prompt over one edit field: the typed text, or empty text when it was cancelled
// (or nobody could answer it: there is no display).
QString askForText(const QString& title, const QString& prompt);
// Closes a prompt that is open, as cancelled: the program is asked to end.
void cancelPrompt();

} // namespace quillet::platform
