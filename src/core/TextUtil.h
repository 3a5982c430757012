#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// Removes blanks (spaces only) at both ends; tabs and line breaks stay.
QString TrimBlanks(const QString& text);

// At most `maxLines` lines of `text`. Lines end with CR LF as Quillet writes them; LF CR,
// or a lone LF or CR (a file edited elsewhere), ends one too.
QStringList SplitLines(const QString& text, qsizetype maxLines);

// True for a dotted IPv4 address and nothing else: four decimal numbers from 0 to 255,
// written without leading zeros ("203.0.113.7").
bool IsIPv4Address(QStringView text);

// True for a name that stays inside the program's folder: no path separator, not "." or
// "..", no control character.
bool IsPlainFileName(const QString& name);

// The text up to, not including, its first NUL character.
QString TrimNull(const QString& text);

} // namespace quillet
