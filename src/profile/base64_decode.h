// Base64 (standard alphabet, "=" padding) as the profile stores its protected items, decoded
// leniently: characters outside the alphabet are skipped wherever they stand, so line breaks
// and spaces inside the text are harmless.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::profile {

// The sextet a character of the standard alphabet stands for, or -1 for any other character.
[[nodiscard]] constexpr int Base64SextetValue(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Decodes the NUL-terminated text into output and writes a zero byte after the data. Returns
// the decoded length, or 0 when: an "=" stands second in a group of four; the text ends inside
// a group; the decoded length is less than half the text's length (mostly skipped characters:
// not an item); or the data and its zero byte would not fit in capacity bytes. Never writes
// past output + capacity.
[[nodiscard]] std::size_t Base64Decode(const char* text, std::uint8_t* output,
                                       std::size_t capacity);

}  // namespace quillon::profile
