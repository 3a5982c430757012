#include "actions/Base64.h"

#include "core/Ansi.h"

namespace quillet {

namespace {
std::array<std::uint8_t, 64> g_table{};

constexpr int kGroupsPerLine = 15; // 60 characters
constexpr char kPad = 61;          // "="
} // namespace

void InitBase64()
{
    // Only the first 64 characters go into the table; "=" is written by the encoder.
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    for (std::size_t i = 0; i < g_table.size(); ++i)
        g_table[i] = static_cast<std::uint8_t>(kAlphabet[i]);
}

const std::array<std::uint8_t, 64>& Base64EncodeTable()
{
    return g_table;
}

QByteArray Base64EncodeBytes(QByteArray& data)
{
    const qsizetype rest = data.size() % 3;
    const qsizetype padding = rest == 0 ? 0 : 3 - rest;
    data.append(padding, '\0');

    // Large enough for any input, so the loop never grows it.
    QByteArray out(2 * data.size() + 99, Qt::Uninitialized);
    const auto in = [&data](qsizetype i) { return static_cast<std::uint8_t>(data[i]); };
    const auto put = [&out](qsizetype w, unsigned sextet) {
        out[w] = static_cast<char>(g_table[sextet & 63U]);
    };
    qsizetype w = 0;
    int groups = 0;
    for (qsizetype i = 0; i < data.size(); i += 3) {
        if (groups == kGroupsPerLine) {
            out[w++] = '\r';
            out[w++] = '\n';
            groups = 0;
        }
        const unsigned b0 = in(i), b1 = in(i + 1), b2 = in(i + 2);
        put(w, b0 >> 2);
        put(w + 1, ((b0 & 3U) << 4) + (b1 >> 4));
        put(w + 2, ((b1 & 15U) << 2) + (b2 >> 6));
        put(w + 3, b2);
        w += 4;
        ++groups;
    }
    for (qsizetype k = 1; k <= padding; ++k)
        out[w - k] = kPad;
    out[w++] = '\r';
    out[w++] = '\n';
    out.truncate(w);
    return out;
}

QString Base64Encode(const QString& text)
{
    if (text.isEmpty())
        return {};
    QByteArray bytes = toAnsi(text);
    return fromAnsi(Base64EncodeBytes(bytes));
}

QString Base64EncodeUnbroken(const QString& text)
{
    return Base64Encode(text).remove(QStringLiteral("\r\n"));
}

} // namespace quillet
