#include "cipher/aes_modes.h"

#include <cstring>

#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;

inline void XorBlock(std::uint8_t* target, const std::uint8_t* a, const std::uint8_t* b) {
    for (std::size_t i = 0; i < kBlock; ++i) target[i] = a[i] ^ b[i];
}

}  // namespace

void AesEcbEncrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) {
        (void)AesEncryptBlock(in + kBlock * i, out + kBlock * i, schedule);
    }
}

void AesEcbDecrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) {
        (void)AesDecryptBlock(in + kBlock * i, out + kBlock * i, schedule);
    }
}

void AesCbcEncrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    std::uint8_t temporary[kBlock];
    for (std::uint8_t* block = data; block != data + kBlock * blocks; block += kBlock) {
        XorBlock(temporary, block, iv);
        (void)AesEncryptBlock(temporary, block, schedule);
        std::memcpy(iv, block, kBlock);
    }
    support::SecureWipe(temporary, sizeof temporary);
}

void AesCbcDecrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    std::uint8_t temporary[kBlock];
    for (std::uint8_t* block = data; block != data + kBlock * blocks; block += kBlock) {
        (void)AesDecryptBlock(block, temporary, schedule);
        XorBlock(temporary, temporary, iv);
        std::memcpy(iv, block, kBlock);
        std::memcpy(block, temporary, kBlock);
    }
    support::SecureWipe(temporary, sizeof temporary);
}

}  // namespace quillon::cipher
