// Hexadecimal text to bytes and back: two digits per byte, upper or lower case on input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillon::support {

// Value of one hex digit, or -1 when the character is not one.
[[nodiscard]] constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes text into out. Fails (returns false, out partly written) on an odd number of digits,
// a character that is not a hex digit, or when out is shorter than text.size() / 2.
[[nodiscard]] bool HexDecode(std::string_view text, std::span<std::uint8_t> out);

// Writes 2 * bytes.size() upper-case digits into out, which must have room for them.
void HexEncode(std::span<const std::uint8_t> bytes, char* out);

}  // namespace quillon::support
