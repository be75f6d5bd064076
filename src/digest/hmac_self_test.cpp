#include "digest/hmac_self_test.h"

#include <cstdint>
#include <cstring>

#include "digest/hash_table.h"
#include "quillon.h"
#include "support/secure_wipe.h"

namespace quillon::digest {
namespace {

struct HmacVector {
    const char* key;
    const char* message;
    std::uint8_t mac[64];
    std::uint32_t macLength;
};

// FIPS 198 (2002) appendix A, example 2: HMAC-SHA-1 with a 20-byte key.
constexpr HmacVector kVectors[] = {
    {"0123456789:;<=>?@ABC",
     "Sample #2",
     {0x09, 0x22, 0xD3, 0x40, 0x5F, 0xAA, 0x3D, 0x19, 0x4F, 0x82,
      0xA4, 0x58, 0x30, 0x73, 0x7D, 0x5C, 0xC6, 0xC7, 0x5D, 0x24},
     20},
};

}  // namespace

int HmacSelfTest() {
    for (const HmacVector& vector : kVectors) {
        HmacContext context;
        std::uint8_t mac[64] = {};
        HmacInit(&context, &HashTable[2], reinterpret_cast<const std::uint8_t*>(vector.key),
                 static_cast<std::uint32_t>(std::strlen(vector.key)));
        HmacUpdate(&context, reinterpret_cast<const std::uint8_t*>(vector.message),
                   static_cast<std::uint32_t>(std::strlen(vector.message)));
        HmacFinal(mac, &context);
        support::SecureWipe(&context, sizeof context);
        if (std::memcmp(mac, vector.mac, vector.macLength) != 0) return 0;
    }
    return 1;
}

}  // namespace quillon::digest
