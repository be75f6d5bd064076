#include "profile/base64_decode.h"

namespace quillon::profile {

std::size_t Base64Decode(const char* text, std::uint8_t* output, std::size_t capacity) {
    std::size_t textLength = 0;
    std::size_t decoded = 0;
    std::uint32_t group = 0;
    int sextets = 0;
    // Writes the top count bytes of the group, keeping room for the closing zero byte.
    const auto emit = [&](int count) {
        if (decoded + static_cast<std::size_t>(count) >= capacity) return false;
        for (int i = 0; i < count; ++i) {
            output[decoded++] = static_cast<std::uint8_t>(group >> (16 - 8 * i));
        }
        group = 0;
        sextets = 0;
        return true;
    };
    for (; text[textLength] != '\0'; ++textLength) {
        const auto c = static_cast<unsigned char>(text[textLength]);
        if (c == '=') {
            if (sextets == 0) continue;  // padding where a group would start
            if (sextets == 1) return 0;  // one sextet cannot make a byte
            // "xx=" holds one byte, "xxx=" two.
            group <<= 6 * (4 - sextets);
            if (!emit(sextets - 1)) return 0;
            continue;
        }
        const int value = Base64SextetValue(c);
        if (value < 0) continue;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++sextets == 4 && !emit(3)) return 0;
    }
    if (sextets != 0) return 0;
    if (2 * decoded < textLength) return 0;
    if (decoded >= capacity) return 0;
    output[decoded] = 0;
    return decoded;
}

}  // namespace quillon::profile
