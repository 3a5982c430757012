#include "core/Windows1252.h"

#include <array>

namespace quillet {

namespace {

// Characters of the bytes 0x80 to 0x9F; the undefined five keep their own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeOne(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
    }
    return text;
}

bool fitsWindows1252(const QString& text)
{
    return fromWindows1252(toWindows1252(text)) == text;
}

QByteArray credentialBytes(const QString& text)
{
    return fitsWindows1252(text) ? toWindows1252(text) : text.toUtf8();
}

QByteArray toWindows1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        char32_t c = it->unicode();
        // A character beyond the basic plane is one character, so one "?".
        if (it->isHighSurrogate() && std::next(it) != text.cend() &&
            std::next(it)->isLowSurrogate()) {
            c = QChar::surrogateToUcs4(*it, *std::next(it));
            ++it;
        }
        bytes.append(encodeOne(c));
    }
    return bytes;
}

} // namespace quillet
