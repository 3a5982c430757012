#pragma once

#include <QString>

#include <optional>

namespace quillet {

class frmMain;

// "config.txt": 21 positional lines, one setting each, CR LF after every line.
constexpr int kConfigLines = 21;

enum class LoadOutcome {
    Loaded,     // every line applied (a bad check-box line leaves only that box alone)
    TooShort,   // fewer than 21 lines: nothing applied, the file kept as "config.txt.bak"
    Unreadable, // the file could not be opened: nothing applied
};

// Copies the file at `path` into the window's controls. A file too short to load is
// first copied to `path` + ".bak", so the next save cannot lose what the user wrote.
LoadOutcome LoadConfig(frmMain& form, const QString& path);

// Writes the controls to `path`, atomically and readable by its owner only (it holds
// three passwords). On failure the old file stays and `error` says why.
bool SaveConfig(const frmMain& form, const QString& path, QString* error = nullptr);

// The number a check-box line starts with, rounded half to even, or nothing when the
// value is no valid box value (0, 1 or 2). A line without a number counts as 0.
std::optional<int> parseCheckValue(const QString& line);

} // namespace quillet
