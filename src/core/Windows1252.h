#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// Quillet's files and socket lines are single-byte text in Windows-1252. The five bytes that
// code page leaves undefined map to the control characters of the same number, so every byte
// read survives being written back. A character outside the code page is written as "?".
// Ours rather than QStringConverter, which has this code page only where Qt is built with
// ICU, and writes SUB for a character it cannot hold.
QString fromWindows1252(const QByteArray& bytes);
QByteArray toWindows1252(const QString& text);
// Whether every character of `text` is one of the code page's.
bool fitsWindows1252(const QString& text);
// A credential's bytes: Windows-1252 where the code page holds it, else UTF-8 (what a server
// expects of a password typed in another script), never "?".
QByteArray credentialBytes(const QString& text);

} // namespace quillet
