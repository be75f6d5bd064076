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

namespace {

// Encryption is one long dependency chain: the chaining value stays in registers, and the
// loop is made once per round count so its body is straight-line code.
template <int kRounds>
void CbcEncryptChain(const std::uint32_t* k, std::uint8_t* data, std::size_t blocks,
                     std::uint8_t* iv) {
    block::State chain = block::LoadState(iv);
    for (std::uint8_t* at = data; at != data + kBlock * blocks; at += kBlock) {
        const block::State input = block::LoadState(at);
        chain = block::RunRounds<block::EncryptRound, block::EncryptLastRound>(
            {input.s0 ^ chain.s0 ^ k[0], input.s1 ^ chain.s1 ^ k[1], input.s2 ^ chain.s2 ^ k[2],
             input.s3 ^ chain.s3 ^ k[3]},
            k, kRounds);
        block::StoreBlock(at, chain);
    }
    block::StoreBlock(iv, chain);
}

// A context without a schedule for the direction asked: no block is changed (nor overwritten
// with an uninitialised temporary), and the IV moves on to the last block as the chain would.
void KeepBlocksWithoutSchedule(const std::uint8_t* data, std::size_t blocks, std::uint8_t* iv) {
    if (blocks != 0) std::memcpy(iv, data + kBlock * (blocks - 1), kBlock);
}

}  // namespace

void AesCbcEncrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    switch (block::RoundsOf(schedule)) {
        case 10:
            return CbcEncryptChain<10>(schedule.roundKeys, data, blocks, iv);
        case 12:
            return CbcEncryptChain<12>(schedule.roundKeys, data, blocks, iv);
        case 14:
            return CbcEncryptChain<14>(schedule.roundKeys, data, blocks, iv);
        default:
            KeepBlocksWithoutSchedule(data, blocks, iv);
    }
}

void AesCbcDecrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    if (block::RoundsOf(schedule) == 0) {
        KeepBlocksWithoutSchedule(data, blocks, iv);
        return;
    }
    std::uint8_t temporary[kBlock];
    for (std::uint8_t* at = data; at != data + kBlock * blocks; at += kBlock) {
        (void)AesDecryptBlock(at, temporary, schedule);
        XorBlock(temporary, temporary, iv);
        std::memcpy(iv, at, kBlock);
        std::memcpy(at, temporary, kBlock);
    }
    support::SecureWipe(temporary, sizeof temporary);
}

}  // namespace quillon::cipher
