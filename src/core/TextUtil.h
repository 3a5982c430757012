#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// Removes blanks (spaces only) at both ends; tabs and line breaks stay.
QString trimBlanks(const QString& text);

// At most `maxLines` lines of `text`. Lines end with CR LF as Quillet writes them; CR CR LF,
// LF CR, or a lone LF or CR (a file edited elsewhere), ends one too.
QStringList splitLines(const QString& text, qsizetype maxLines);

// True for a dotted IPv4 address and nothing else: four decimal numbers from 0 to 255,
// written without leading zeros ("203.0.113.7").
bool isIPv4Address(QStringView text);

// True for a name that stays inside the program's folder: no path separator, not "." or
// "..", no control character.
bool isPlainFileName(const QString& name);

} // namespace quillet
