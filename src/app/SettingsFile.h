#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillet {

// "config.txt": one setting a line, CR LF after every line, Windows-1252; a check box as
// " 1 ". A file of an older version holds the first 21 lines, and an older version reads
// only those.
inline constexpr int kSettingLines = 26;
inline constexpr int kOlderSettingLines = 21;

// What a settings file holds: the settings over the ones it started from, and the lines after
// the ones this version knows (a newer version's), kept as they were.
struct ParsedSettings {
    bool whole = false; // at least the older version's lines, none too long
    Settings settings;
    QStringList laterLines;
};

// The lines of a file's bytes: Windows-1252, or UTF-8 after a UTF-8 byte-order mark (as
// Quillet writes a file whose settings Windows-1252 cannot hold, and editors write theirs).
QStringList settingsLines(const QByteArray& bytes);

// Reads the bytes over `settings`: a box line that is blank or no box value gives the box's
// default; one line a setting; lines past the 26th kept.
ParsedSettings parseSettings(const QByteArray& bytes, const Settings& settings = {});
// Windows-1252 with CR LF after every line, or UTF-8 after a byte-order mark when a setting
// holds a character Windows-1252 cannot.
QByteArray settingsText(const Settings& settings, const QStringList& laterLines = {});

// Whether the bytes read as a Quillet settings file, so that the folder holding it is
// Quillet's: every line where a box stands is blank or a number.
bool readsAsSettings(const QByteArray& bytes);

// The number a check-box line starts with, rounded half to even, or nothing when the
// value is no valid box value (0, 1 or 2). A line without a number, or a number too small
// to tell from 0, counts as 0.
std::optional<int> parseCheckValue(const QString& line);

} // namespace quillet
