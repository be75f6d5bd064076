// ECB and the CBC modes written once over an engine's rounds. An engine file defines
// QUILLON_DES_ENGINE_TARGET (the attributes its code is compiled with, possibly empty) and a
// type E with
//     static std::uint32_t Round(std::uint32_t half, std::uint64_t roundKey);
// the round function f on a half held rotated left by one bit (des_tables.h), then includes this
// header: everything here has internal linkage, so each engine gets its own copy, compiled for
// its own instructions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "des/des_block.h"
#include "des/des_mode_set.h"
#include "support/byte_order.h"

#define QUILLON_DES_INLINE inline __attribute__((always_inline)) QUILLON_DES_ENGINE_TARGET

namespace quillon::des {
namespace {

// kStages DES operations back to back (a loop: three stages unrolled would crowd the
// instruction cache). Between two of them the final and initial permutations
// cancel, and the halves trade places (the output block is R16 L16).
template <typename E, int kStages>
QUILLON_DES_INLINE std::uint64_t CryptBlock(std::uint64_t block, const std::uint64_t* keys) {
    Halves h = InitialPermutation(block);
#pragma GCC unroll 1
    for (int stage = 0; stage < kStages; ++stage) {
#pragma GCC unroll 8
        for (int round = 0; round < 16; round += 2) {
            h.left ^= E::Round(h.right, keys[16 * stage + round]);
            h.right ^= E::Round(h.left, keys[16 * stage + round + 1]);
        }
        const std::uint32_t left = h.left;
        h.left = h.right;
        h.right = left;
    }
    return FinalPermutation(h);
}

template <typename E, int kStages>
QUILLON_DES_INLINE void CbcEncryptStages(const RoundKeys& keys, std::uint8_t* data,
                                         std::size_t blocks, std::uint8_t* iv) {
    std::uint64_t chain = support::LoadBigEndian64(iv);
    for (std::uint8_t* at = data; at != data + 8 * blocks; at += 8) {
        chain = CryptBlock<E, kStages>(support::LoadBigEndian64(at) ^ chain, keys.key);
        support::StoreBigEndian64(at, chain);
    }
    support::StoreBigEndian64(iv, chain);
}

template <typename E, int kStages>
QUILLON_DES_INLINE void CbcDecryptStages(const RoundKeys& keys, std::uint8_t* data,
                                         std::size_t blocks, std::uint8_t* iv) {
    std::uint64_t chain = support::LoadBigEndian64(iv);
    for (std::uint8_t* at = data; at != data + 8 * blocks; at += 8) {
        const std::uint64_t ciphertext = support::LoadBigEndian64(at);
        support::StoreBigEndian64(at, CryptBlock<E, kStages>(ciphertext, keys.key) ^ chain);
        chain = ciphertext;
    }
    support::StoreBigEndian64(iv, chain);
}

template <typename E, int kStages>
QUILLON_DES_INLINE void EcbStages(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks) {
    for (std::uint8_t* at = data; at != data + 8 * blocks; at += 8) {
        support::StoreBigEndian64(at,
                                  CryptBlock<E, kStages>(support::LoadBigEndian64(at), keys.key));
    }
}

template <typename E>
QUILLON_DES_ENGINE_TARGET void Ecb(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks) {
    if (keys.stages == 3) return EcbStages<E, 3>(keys, data, blocks);
    EcbStages<E, 1>(keys, data, blocks);
}

template <typename E>
QUILLON_DES_ENGINE_TARGET void CbcEncrypt(const RoundKeys& keys, std::uint8_t* data,
                                          std::size_t blocks, std::uint8_t* iv) {
    if (keys.stages == 3) return CbcEncryptStages<E, 3>(keys, data, blocks, iv);
    CbcEncryptStages<E, 1>(keys, data, blocks, iv);
}

template <typename E>
QUILLON_DES_ENGINE_TARGET void CbcDecrypt(const RoundKeys& keys, std::uint8_t* data,
                                          std::size_t blocks, std::uint8_t* iv) {
    if (keys.stages == 3) return CbcDecryptStages<E, 3>(keys, data, blocks, iv);
    CbcDecryptStages<E, 1>(keys, data, blocks, iv);
}

template <typename E>
constexpr ModeSet kChainModes = {Ecb<E>, CbcEncrypt<E>, CbcDecrypt<E>};

}  // namespace
}  // namespace quillon::des
