#include "cipher/des_self_test.h"

#include <cstdint>
#include <cstring>

#include "cipher/des_modes.h"

namespace quillon::cipher {
namespace {

// Any fixed key with three different thirds serves: the test is a round trip and compares
// against no stored ciphertext.
constexpr std::uint8_t kKey[24] = {0x51, 0x75, 0x69, 0x6C, 0x6C, 0x6F, 0x6E, 0x31,
                                   0x54, 0x44, 0x45, 0x41, 0x20, 0x6B, 0x65, 0x79,
                                   0x33, 0x72, 0x64, 0x20, 0x74, 0x68, 0x69, 0x72};
constexpr std::uint8_t kIv[8] = {0xA5, 0x5A, 0x3C, 0xC3, 0x0F, 0xF0, 0x96, 0x69};
constexpr char kPlaintext[8] = {'e', 't', 'a', 'o', 'n', 'r', 'i', 's'};

}  // namespace

int TripleDesSelfTest() {
    std::uint8_t data[8];
    std::uint8_t iv[8];
    std::memcpy(data, kPlaintext, sizeof data);
    std::memcpy(iv, kIv, sizeof iv);
    TripleDesCbc(true, data, sizeof data, kKey, iv);
    std::memcpy(iv, kIv, sizeof iv);
    TripleDesCbc(false, data, sizeof data, kKey, iv);
    return std::memcmp(data, kPlaintext, sizeof data) == 0 ? 1 : 0;
}

}  // namespace quillon::cipher
