#pragma once

#include <array>
#include <cstdint>

namespace quillet {

// Fills the encoding table; runs once at start-up, before anything can be encoded.
void InitBase64();

const std::array<std::uint8_t, 64>& Base64EncodeTable();

} // namespace quillet
