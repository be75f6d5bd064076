// ECB and the CBC modes written once over an engine's rounds. An engine file defines
// QUILLON_DES_ENGINE_TARGET (the attributes its code is compiled with, possibly empty) and a
// type E with
//     static std::uint32_t Round(std::uint32_t half, std::uint64_t roundKey);
// the round function f on a half held rotated left by one bit (des_tables.h), and
//     static constexpr int kWidth;
//     static void Rounds(const std::uint32_t* halves, std::uint64_t roundKey, std::uint32_t* out);
// f on kWidth independent halves at once, and kSideBySide (a multiple of kWidth), how many
// independent blocks run best together, then includes this
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

// f on kCount independent halves: in the engine's groups of E::kWidth where it runs several at
// once, else one by one (out-of-order processors overlap them).
template <typename E, int kCount>
QUILLON_DES_INLINE void Rounds(const std::uint32_t* halves, std::uint64_t roundKey,
                               std::uint32_t* out) {
#pragma GCC unroll 8
    for (int i = 0; i < kCount; i += E::kWidth) E::Rounds(halves + i, roundKey, out + i);
}

// kCount independent blocks side by side, as CryptBlock runs one.
template <typename E, int kStages, int kCount>
QUILLON_DES_INLINE void CryptBlocks(std::uint64_t* blocks, const std::uint64_t* keys) {
    std::uint32_t left[kCount], right[kCount], f[kCount];
    for (int i = 0; i < kCount; ++i) {
        const Halves h = InitialPermutation(blocks[i]);
        left[i] = h.left;
        right[i] = h.right;
    }
#pragma GCC unroll 1
    for (int stage = 0; stage < kStages; ++stage) {
#pragma GCC unroll 8
        for (int round = 0; round < 16; round += 2) {
            Rounds<E, kCount>(right, keys[16 * stage + round], f);
            for (int i = 0; i < kCount; ++i) left[i] ^= f[i];
            Rounds<E, kCount>(left, keys[16 * stage + round + 1], f);
            for (int i = 0; i < kCount; ++i) right[i] ^= f[i];
        }
        for (int i = 0; i < kCount; ++i) {
            const std::uint32_t swapped = left[i];
            left[i] = right[i];
            right[i] = swapped;
        }
    }
    for (int i = 0; i < kCount; ++i) blocks[i] = FinalPermutation({left[i], right[i]});
}

// Blocks that depend on no earlier result (decryption's, ECB's) go E::kSideBySide at a time.
template <typename E>
inline constexpr int kWide = E::kSideBySide;

template <typename E, int kStages>
QUILLON_DES_INLINE void CbcDecryptStages(const RoundKeys& keys, std::uint8_t* data,
                                         std::size_t blocks, std::uint8_t* iv) {
    std::uint64_t chain = support::LoadBigEndian64(iv);
    std::uint8_t* at = data;
    for (; at + 8 * kWide<E> <= data + 8 * blocks; at += 8 * kWide<E>) {
        std::uint64_t ciphertext[kWide<E>], plaintext[kWide<E>];
        for (int i = 0; i < kWide<E>; ++i) {
            ciphertext[i] = plaintext[i] = support::LoadBigEndian64(at + 8 * i);
        }
        CryptBlocks<E, kStages, kWide<E>>(plaintext, keys.key);
        for (int i = 0; i < kWide<E>; ++i) {
            support::StoreBigEndian64(at + 8 * i, plaintext[i] ^ chain);
            chain = ciphertext[i];
        }
    }
    for (; at != data + 8 * blocks; at += 8) {
        const std::uint64_t ciphertext = support::LoadBigEndian64(at);
        support::StoreBigEndian64(at, CryptBlock<E, kStages>(ciphertext, keys.key) ^ chain);
        chain = ciphertext;
    }
    support::StoreBigEndian64(iv, chain);
}

template <typename E, int kStages>
QUILLON_DES_INLINE void EcbStages(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks) {
    std::uint8_t* at = data;
    for (; at + 8 * kWide<E> <= data + 8 * blocks; at += 8 * kWide<E>) {
        std::uint64_t group[kWide<E>];
        for (int i = 0; i < kWide<E>; ++i) group[i] = support::LoadBigEndian64(at + 8 * i);
        CryptBlocks<E, kStages, kWide<E>>(group, keys.key);
        for (int i = 0; i < kWide<E>; ++i) support::StoreBigEndian64(at + 8 * i, group[i]);
    }
    for (; at != data + 8 * blocks; at += 8) {
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

}  // namespace
}  // namespace quillon::des
