#include "toolkit/methods/fips186_g.h"

#include <cstring>

#include "hash/sha1.h"
#include "support/byte_order.h"
#include "support/secure_wipe.h"

namespace quillon::toolkit::methods {

void Fips186G(const std::uint8_t* c, std::size_t length, std::uint8_t x[20]) {
    std::uint8_t block[hash::kSha1BlockLength] = {};
    std::memcpy(block, c, length);
    std::uint32_t state[5];
    std::memcpy(state, hash::kSha1InitialState, sizeof state);
    hash::Sha1Compress(state, block, 1);
    for (int i = 0; i < 5; ++i) support::StoreBigEndian32(x + 4 * i, state[i]);
    support::SecureWipe(block, sizeof block);
    support::SecureWipe(state, sizeof state);
}

void Fips186AdvanceKey(std::uint8_t* key, std::size_t length, const std::uint8_t x[20]) {
    unsigned carry = 1;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = length - 1 - i;
        const unsigned sum = key[at] + carry + (i < 20 ? x[19 - i] : 0u);
        key[at] = static_cast<std::uint8_t>(sum);
        carry = sum >> 8;
    }
}

}  // namespace quillon::toolkit::methods
