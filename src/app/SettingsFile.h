#pragma once

#include "core/Settings.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillet {

// "config.txt": one setting a line, CR LF after every line, Windows-1252; a check box as
// " 1 ". A file of an older version holds the first 21 lines, and an older version reads
// only those.
inline constexpr int kSettingLines = 25;
inline constexpr int kOlderSettingLines = 21;

enum class LoadOutcome {
    Loaded,    // every line applied (a bad check-box line leaves only that box alone)
    Missing,   // no file: the settings keep their values
    TooShort,  // fewer than 21 lines: nothing applied, the file kept as ".bak"
    NotLoaded, // unreadable, no regular file, or a line too long: nothing applied, and the
               // file must not be written over
};

struct SettingsLoad {
    LoadOutcome outcome = LoadOutcome::Missing;
    Settings settings; // what was applied over the settings passed in
    QString error;     // for TooShort and NotLoaded: what happened, naming the file
};

// Reads the file at `path` over `settings`: at most one line a setting, each at most
// kMaxSettingChars, never more of a huge file.
SettingsLoad loadSettingsFile(const QString& path, const Settings& settings);

// The same for the file's bytes.
LoadOutcome parseSettings(const QByteArray& bytes, Settings& settings);
QByteArray settingsText(const Settings& settings);

// Writes the settings to `path`: whole, or not at all and the old file kept.
bool saveSettingsFile(const Settings& settings, const QString& path, QString* error);

// The number a check-box line starts with, rounded half to even, or nothing when the
// value is no valid box value (0, 1 or 2). A line without a number, or a number too small
// to tell from 0, counts as 0.
std::optional<int> parseCheckValue(const QString& line);

} // namespace quillet
