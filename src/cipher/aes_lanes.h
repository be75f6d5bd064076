// ECB and CBC decryption on AES instructions, written once for any register width: blocks
// side by side in `kLanes` registers of R::kBlocks blocks each. An engine file defines its
// register type R (load, store, XOR, the four round instructions, the round-key broadcast and
// the chaining values of its first register) and QUILLON_AES_LANES_TARGET, the instruction set
// it is compiled for, then includes this header: everything here has internal linkage, so each
// engine gets its own copy, compiled for its own instructions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/aes_engine.h"
#include "support/secure_wipe.h"

#define QUILLON_AES_LANES inline __attribute__((always_inline, target(QUILLON_AES_LANES_TARGET)))

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;

// AESENC has a latency of several cycles and issues one or two a cycle: eight independent
// registers keep the unit busy. The 32-bit build has only eight vector registers; seven lanes
// leave one for a round key or the CBC chain, which measured faster there than eight (CBC
// decryption a fifth to a third).
constexpr std::size_t kLanes = sizeof(void*) == 8 ? 8 : 7;

// The round keys copied to the stack, so that each round reads its key as one memory operand
// (the 32-bit build has only eight vector registers, nearly all of them busy with blocks). The
// copy is key material: wiped before the mode returns.
template <typename R, int kRounds>
struct RoundKeys {
    typename R::Register key[kRounds + 1];
};

template <typename R, int kRounds>
QUILLON_AES_LANES void LoadKeys(RoundKeys<R, kRounds>& keys, const AesKeySchedule& schedule) {
#pragma GCC unroll 15
    for (int r = 0; r <= kRounds; ++r) keys.key[r] = R::LoadKey(schedule.roundKeys + 4 * r);
}

template <typename R, int kRounds>
QUILLON_AES_LANES void WipeKeys(RoundKeys<R, kRounds>& keys) {
    support::SecureWipe(keys.key, sizeof keys.key);
}

// Round key 0, rounds 1 .. Nr - 1 and the last round on n registers side by side, round key
// by round key; Round and LastRound are R's encryption or decryption instructions.
template <typename R, int kRounds, auto Round, auto LastRound, std::size_t n>
QUILLON_AES_LANES void RunLanes(typename R::Register (&x)[n], const RoundKeys<R, kRounds>& keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = R::Xor(x[i], keys.key[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < n; ++i) x[i] = Round(x[i], keys.key[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = LastRound(x[i], keys.key[kRounds]);
}

template <typename R, int kRounds, std::size_t n>
QUILLON_AES_LANES void EncryptLanes(typename R::Register (&x)[n],
                                    const RoundKeys<R, kRounds>& keys) {
    RunLanes<R, kRounds, R::Encrypt, R::EncryptLast>(x, keys);
}

template <typename R, int kRounds, std::size_t n>
QUILLON_AES_LANES void DecryptLanes(typename R::Register (&x)[n],
                                    const RoundKeys<R, kRounds>& keys) {
    RunLanes<R, kRounds, R::Decrypt, R::DecryptLast>(x, keys);
}

// n registers of blocks from in to out; every block is read before any is written, so out may
// equal in.
template <typename R, int kRounds, bool kEncrypt, std::size_t n>
QUILLON_AES_LANES void EcbLanes(const RoundKeys<R, kRounds>& keys, std::uint8_t* out,
                                const std::uint8_t* in) {
    typename R::Register x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = R::Load(in + R::kBytes * i);
    if constexpr (kEncrypt) {
        EncryptLanes(x, keys);
    } else {
        DecryptLanes(x, keys);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) R::Store(out + R::kBytes * i, x[i]);
}

// Every whole register of blocks; returns the blocks left over (fewer than R::kBlocks).
template <typename R, int kRounds, bool kEncrypt>
__attribute__((target(QUILLON_AES_LANES_TARGET))) std::size_t EcbLanesOver(
    const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    constexpr std::size_t kGroup = R::kBlocks * kLanes;
    RoundKeys<R, kRounds> keys;
    LoadKeys(keys, schedule);
    for (; blocks >= kGroup; blocks -= kGroup, in += kBlock * kGroup, out += kBlock * kGroup) {
        EcbLanes<R, kRounds, kEncrypt, kLanes>(keys, out, in);
    }
    for (; blocks >= R::kBlocks; blocks -= R::kBlocks, in += R::kBytes, out += R::kBytes) {
        EcbLanes<R, kRounds, kEncrypt, 1>(keys, out, in);
    }
    WipeKeys(keys);
    return blocks;
}

// n registers decrypted side by side, each block XORed with the ciphertext before it (the
// chaining value for the first); all ciphertext of the group is read before the first
// plaintext is written over it.
template <typename R, int kRounds, std::size_t n, typename Chain>
QUILLON_AES_LANES void CbcDecryptLanes(const RoundKeys<R, kRounds>& keys, std::uint8_t* at,
                                       Chain& chain) {
    typename R::Register x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = R::Load(at + R::kBytes * i);
    DecryptLanes(x, keys);
    x[0] = R::Xor(x[0], R::FirstPrevious(chain, at));
#pragma GCC unroll 8
    for (std::size_t i = 1; i < n; ++i) x[i] = R::Xor(x[i], R::Load(at + R::kBytes * i - kBlock));
    chain = R::LoadChain(at + R::kBytes * n - kBlock);
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) R::Store(at + R::kBytes * i, x[i]);
}

// Every whole register of blocks, the IV carried on; returns the blocks left over (fewer than
// R::kBlocks), which follow the IV as it is left.
template <typename R, int kRounds>
__attribute__((target(QUILLON_AES_LANES_TARGET))) std::size_t CbcDecryptLanesOver(
    const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks, std::uint8_t* iv) {
    constexpr std::size_t kGroup = R::kBlocks * kLanes;
    RoundKeys<R, kRounds> keys;
    LoadKeys(keys, schedule);
    auto chain = R::LoadChain(iv);
    for (; blocks >= kGroup; blocks -= kGroup, data += kBlock * kGroup) {
        CbcDecryptLanes<R, kRounds, kLanes>(keys, data, chain);
    }
    for (; blocks >= R::kBlocks; blocks -= R::kBlocks, data += R::kBytes) {
        CbcDecryptLanes<R, kRounds, 1>(keys, data, chain);
    }
    R::StoreChain(iv, chain);
    WipeKeys(keys);
    return blocks;
}

}  // namespace
}  // namespace quillon::cipher
