#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace quillet {

// Fills the encoding table; runs once at start-up, before anything can be encoded.
void InitBase64();

const std::array<std::uint8_t, 64>& Base64EncodeTable();

// Base64 (RFC 4648, section 4) in lines of 60 characters, each followed by CR LF, the last
// one too. `data` is padded in place with zero bytes to a multiple of three.
QByteArray Base64EncodeBytes(QByteArray& data);

// The Windows-1252 bytes of `text`, encoded as above; empty text gives empty text.
QString Base64Encode(const QString& text);

// The same encoding as one line of any length, without a line end.
QString Base64EncodeUnbroken(const QString& text);

} // namespace quillet
