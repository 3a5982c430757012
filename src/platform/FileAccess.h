#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillet::platform {

// Quillet's own files: only regular files are read or written, never through a symbolic
// link, a FIFO, a device or a directory; every file created is readable by its owner only,
// whatever the umask; a write that fails leaves the old file whole. Each failure comes back
// as a sentence naming the file. Ours rather than QFile and QSaveFile, which follow a link
// when they open a file and give a new one the umask's permissions until it is whole.

struct FileRead {
    bool exists = false; // something is there under that name
    bool ok = false;     // it is a regular file and was read
    QByteArray bytes;    // at most the limit asked for
    bool cut = false;    // the file holds more than that
    QString error;
};

// Reads at most `maxBytes` of the file at `path`.
FileRead readOwnFile(const QString& path, qint64 maxBytes);

// Replaces the file at `path` with `bytes` in one step: on disk in full, or not at all.
// Without `sync` neither the new file nor the folder is forced to disk (for content already
// there).
bool writeOwnFile(const QString& path, const QByteArray& bytes, QString* error, bool sync = true);

// Appends `bytes` to the file at `path` (created when missing): all of them, or none.
bool appendToOwnFile(const QString& path, const QByteArray& bytes, QString* error);

// The file whose temporary sibling `entry` is ("<name>.XXXXXX", six letters or digits), or
// empty text when it is none. No regular expression: the engine's compiler would be paged in
// for this alone.
QString temporaryFileTarget(const QString& entry);

// Removes the temporary files that a write of one of `names` in `folder` left behind when
// the program was killed before it ended (they may hold every password).
void removeStrayTemporaries(const QString& folder, const QStringList& names);

} // namespace quillet::platform
