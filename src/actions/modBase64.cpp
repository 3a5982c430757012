#include "actions/modBase64.h"

namespace quillet {

namespace {
std::array<std::uint8_t, 64> g_table{};
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

} // namespace quillet
