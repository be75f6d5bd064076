#include "support/hex.h"

namespace quillon::support {

bool HexDecode(std::string_view text, std::span<std::uint8_t> out) {
    if (text.size() % 2 != 0 || out.size() < text.size() / 2) return false;
    for (std::size_t i = 0; i < text.size() / 2; ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

void HexEncode(std::span<const std::uint8_t> bytes, char* out, HexCase letterCase) {
    for (const std::uint8_t byte : bytes) {
        *out++ = HexDigit(byte >> 4, letterCase);
        *out++ = HexDigit(byte & 15u, letterCase);
    }
}

}  // namespace quillon::support
