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

// The value of one hex digit of secret text, without a branch or a table on the character: its
// value, or 0 with invalid set to 1 when it is not a hex digit (invalid is never cleared, so one
// flag can gather a whole text).
[[nodiscard]] constexpr std::uint32_t HexDigitValueSecret(char c, std::uint32_t& invalid) {
    // All-ones when x < bound: the borrow of a 64-bit subtraction, for any 32-bit x.
    const auto below = [](std::uint32_t x, std::uint32_t bound) {
        return static_cast<std::uint32_t>(0 - ((std::uint64_t{x} - bound) >> 63));
    };
    const std::uint32_t byte = static_cast<unsigned char>(c);
    const std::uint32_t digit = byte - '0';            // 0-9 for '0'-'9'
    const std::uint32_t letter = (byte | 0x20) - 'a';  // 0-5 for 'a'-'f' and 'A'-'F'
    const std::uint32_t isDigit = below(digit, 10);
    const std::uint32_t isLetter = below(letter, 6);
    invalid |= ~(isDigit | isLetter) & 1;
    return (digit & isDigit) | ((letter + 10) & isLetter);
}

// Decodes text into out. Fails (returns false, out partly written) on an odd number of digits,
// a character that is not a hex digit, or when out is shorter than text.size() / 2.
[[nodiscard]] bool HexDecode(std::string_view text, std::span<std::uint8_t> out);

enum class HexCase { kUpper, kLower };

// The digit of a value 0-15, without a branch or a table: the value may be secret.
[[nodiscard]] constexpr char HexDigit(std::uint32_t value, HexCase letterCase) {
    const std::uint32_t gap = letterCase == HexCase::kUpper ? 'A' - '9' - 1 : 'a' - '9' - 1;
    const std::uint32_t aboveNine = 0 - ((9 - value) >> 31);  // all-ones for 10-15
    return static_cast<char>('0' + value + (gap & aboveNine));
}

// Writes 2 * bytes.size() digits into out, which must have room for them; the bytes may be
// secret.
void HexEncode(std::span<const std::uint8_t> bytes, char* out, HexCase letterCase);

}  // namespace quillon::support
