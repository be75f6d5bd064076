#include "profile/base64_encode.h"

namespace quillon::profile {

void Base64Encode(std::span<const std::uint8_t> bytes, char* text) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
        *text++ = kAlphabet[group >> 18];
        *text++ = kAlphabet[(group >> 12) & 63];
        *text++ = kAlphabet[(group >> 6) & 63];
        *text++ = kAlphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - at;
    if (rest == 0) return;
    const std::uint32_t group = (bytes[at] << 16) | (rest == 2 ? bytes[at + 1] << 8 : 0);
    *text++ = kAlphabet[group >> 18];
    *text++ = kAlphabet[(group >> 12) & 63];
    *text++ = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    *text = '=';
}

}  // namespace quillon::profile
