#pragma once

#include <QString>

namespace quillet {

// Removes blanks (spaces only) at both ends; tabs and line breaks stay.
QString TrimBlanks(const QString& text);

// The text up to, not including, its first NUL character.
QString TrimNull(const QString& text);

} // namespace quillet
