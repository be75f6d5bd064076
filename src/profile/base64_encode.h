// Base64 (standard alphabet, "=" padding) as the profile writer stores protected items.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::profile {

// Characters of the Base64 text of length bytes (a multiple of 4, no terminator).
[[nodiscard]] constexpr std::size_t Base64EncodedLength(std::size_t length) {
    return 4 * ((length + 2) / 3);
}

// Writes the Base64 text of bytes into text, which has room for Base64EncodedLength of them.
void Base64Encode(std::span<const std::uint8_t> bytes, char* text);

}  // namespace quillon::profile
