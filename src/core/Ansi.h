#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// Quillet's files, socket lines and Base64 input are single-byte text in Windows-1252.
// The five bytes that code page leaves undefined map to the control characters of the
// same number, so every byte read survives being written back. A character outside the
// code page is written as "?".
QString fromAnsi(const QByteArray& bytes);
QByteArray toAnsi(const QString& text);

} // namespace quillet
