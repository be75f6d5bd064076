// ECB and CBC on the table engine: the block operations of aes_block.h, one block at a time.
#include <cstring>

#include "cipher/aes_block.h"
#include "cipher/aes_mode_set.h"
#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;

inline void XorBlock(std::uint8_t* target, const std::uint8_t* a, const std::uint8_t* b) {
    for (std::size_t i = 0; i < kBlock; ++i) target[i] = a[i] ^ b[i];
}

void EcbEncrypt(const AesKeySchedule& schedule, int, std::uint8_t* out, const std::uint8_t* in,
                std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) {
        (void)AesEncryptBlock(in + kBlock * i, out + kBlock * i, schedule);
    }
}

void EcbDecrypt(const AesKeySchedule& schedule, int, std::uint8_t* out, const std::uint8_t* in,
                std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) {
        (void)AesDecryptBlock(in + kBlock * i, out + kBlock * i, schedule);
    }
}

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

void CbcEncrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds, [&]<int kRounds>() {
        CbcEncryptChain<kRounds>(schedule.roundKeys, data, blocks, iv);
    });
}

void CbcDecrypt(const AesKeySchedule& schedule, int, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    std::uint8_t temporary[kBlock];
    for (std::uint8_t* at = data; at != data + kBlock * blocks; at += kBlock) {
        (void)AesDecryptBlock(at, temporary, schedule);
        XorBlock(temporary, temporary, iv);
        std::memcpy(iv, at, kBlock);
        std::memcpy(at, temporary, kBlock);
    }
    support::SecureWipe(temporary, sizeof temporary);
}

}  // namespace

constinit const AesModeSet kAesTableModes = {EcbEncrypt, EcbDecrypt, CbcEncrypt, CbcDecrypt};

}  // namespace quillon::cipher
