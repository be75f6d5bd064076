#include "digest/sha1_self_test.h"

#include <cstdint>
#include <cstring>

#include "quillon.h"
#include "support/byte_order.h"

namespace quillon::digest {
namespace {

// FIPS 180-1 appendices A and B, and the empty message; each text in a fixed 60-byte slot.
constexpr char kMessages[3][60] = {
    "",
    "abc",
    "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
};

constexpr std::uint32_t kExpected[3][5] = {
    {0xDA39A3EEu, 0x5E6B4B0Du, 0x3255BFEFu, 0x95601890u, 0xAFD80709u},
    {0xA9993E36u, 0x4706816Au, 0xBA3E2571u, 0x7850C26Cu, 0x9CD0D89Du},
    {0x84983E44u, 0x1C3BD26Eu, 0xBAAE4AA1u, 0xF95129E5u, 0xE54670F1u},
};

}  // namespace

int Sha1SelfTest() {
    for (int i = 0; i < 3; ++i) {
        DigestHandle* handle = nullptr;
        Sha1Create(&handle);
        if (handle == nullptr) return 0;
        DigestUpdate(&handle, reinterpret_cast<const std::uint8_t*>(kMessages[i]),
                     static_cast<std::uint32_t>(std::strlen(kMessages[i])));
        std::uint8_t digest[20] = {};
        Sha1Final(digest, &handle);
        for (int word = 0; word < 5; ++word) {
            if (support::LoadBigEndian32(digest + 4 * word) != kExpected[i][word]) return 0;
        }
    }
    return 1;
}

}  // namespace quillon::digest
