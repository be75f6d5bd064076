// Base64Decode on arbitrary text and buffer sizes: it must never write past its buffer (ASan
// sees the exact-size heap block) and a result must fit with its zero byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "profile/base64_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks a small capacity now and then; otherwise the profile's 2000 bytes.
    const std::size_t capacity = data[0] < 16 ? data[0] : 2000;
    char* text = static_cast<char*>(std::malloc(size));
    std::memcpy(text, data + 1, size - 1);
    text[size - 1] = '\0';
    auto* out = static_cast<std::uint8_t*>(std::malloc(capacity == 0 ? 1 : capacity));
    const std::size_t length = quillon::profile::Base64Decode(text, out, capacity);
    if (length != 0) {
        if (length >= capacity || out[length] != 0) std::abort();
        if (2 * length < std::strlen(text)) std::abort();
    }
    std::free(out);
    std::free(text);
    return 0;
}
