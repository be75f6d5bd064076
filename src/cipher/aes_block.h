// The AES block operations, inline so that the modes run them without a call per block.
#pragma once

#include <cstdint>
#include <cstring>

#include "cipher/aes_engine.h"
#include "cipher/aes_tables.h"

#define QUILLON_AES_INLINE inline __attribute__((always_inline))

namespace quillon::cipher {

namespace block {

inline constexpr const auto& F = kAesTables.forward;
inline constexpr const auto& FL = kAesTables.forwardLast;
inline constexpr const auto& I = kAesTables.inverse;
inline constexpr const auto& IL = kAesTables.inverseLast;

QUILLON_AES_INLINE std::uint32_t Load(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

QUILLON_AES_INLINE void Store(std::uint8_t* bytes, std::uint32_t word) {
    std::memcpy(bytes, &word, 4);
}

QUILLON_AES_INLINE std::uint32_t Byte(std::uint32_t word, int index) {
    return (word >> (8 * index)) & 0xFF;
}

QUILLON_AES_INLINE int RoundsOf(const AesKeySchedule& schedule) {
    switch (schedule.info & 0xFF) {
        case 160:
            return 10;
        case 192:
            return 12;
        case 224:
            return 14;
        default:
            return 0;
    }
}

struct State {
    std::uint32_t s0, s1, s2, s3;
};

// SubBytes, ShiftRows, MixColumns and AddRoundKey in one step.
QUILLON_AES_INLINE State EncryptRound(const State& s, const std::uint32_t* k) {
    return {F[0][Byte(s.s0, 0)] ^ F[1][Byte(s.s1, 1)] ^ F[2][Byte(s.s2, 2)] ^ F[3][Byte(s.s3, 3)] ^
                k[0],
            F[0][Byte(s.s1, 0)] ^ F[1][Byte(s.s2, 1)] ^ F[2][Byte(s.s3, 2)] ^ F[3][Byte(s.s0, 3)] ^
                k[1],
            F[0][Byte(s.s2, 0)] ^ F[1][Byte(s.s3, 1)] ^ F[2][Byte(s.s0, 2)] ^ F[3][Byte(s.s1, 3)] ^
                k[2],
            F[0][Byte(s.s3, 0)] ^ F[1][Byte(s.s0, 1)] ^ F[2][Byte(s.s1, 2)] ^ F[3][Byte(s.s2, 3)] ^
                k[3]};
}

QUILLON_AES_INLINE State EncryptLastRound(const State& s, const std::uint32_t* k) {
    return {FL[0][Byte(s.s0, 0)] ^ FL[1][Byte(s.s1, 1)] ^ FL[2][Byte(s.s2, 2)] ^
                FL[3][Byte(s.s3, 3)] ^ k[0],
            FL[0][Byte(s.s1, 0)] ^ FL[1][Byte(s.s2, 1)] ^ FL[2][Byte(s.s3, 2)] ^
                FL[3][Byte(s.s0, 3)] ^ k[1],
            FL[0][Byte(s.s2, 0)] ^ FL[1][Byte(s.s3, 1)] ^ FL[2][Byte(s.s0, 2)] ^
                FL[3][Byte(s.s1, 3)] ^ k[2],
            FL[0][Byte(s.s3, 0)] ^ FL[1][Byte(s.s0, 1)] ^ FL[2][Byte(s.s1, 2)] ^
                FL[3][Byte(s.s2, 3)] ^ k[3]};
}

QUILLON_AES_INLINE State DecryptRound(const State& s, const std::uint32_t* k) {
    return {I[0][Byte(s.s0, 0)] ^ I[1][Byte(s.s3, 1)] ^ I[2][Byte(s.s2, 2)] ^ I[3][Byte(s.s1, 3)] ^
                k[0],
            I[0][Byte(s.s1, 0)] ^ I[1][Byte(s.s0, 1)] ^ I[2][Byte(s.s3, 2)] ^ I[3][Byte(s.s2, 3)] ^
                k[1],
            I[0][Byte(s.s2, 0)] ^ I[1][Byte(s.s1, 1)] ^ I[2][Byte(s.s0, 2)] ^ I[3][Byte(s.s3, 3)] ^
                k[2],
            I[0][Byte(s.s3, 0)] ^ I[1][Byte(s.s2, 1)] ^ I[2][Byte(s.s1, 2)] ^ I[3][Byte(s.s0, 3)] ^
                k[3]};
}

QUILLON_AES_INLINE State DecryptLastRound(const State& s, const std::uint32_t* k) {
    return {IL[0][Byte(s.s0, 0)] ^ IL[1][Byte(s.s3, 1)] ^ IL[2][Byte(s.s2, 2)] ^
                IL[3][Byte(s.s1, 3)] ^ k[0],
            IL[0][Byte(s.s1, 0)] ^ IL[1][Byte(s.s0, 1)] ^ IL[2][Byte(s.s3, 2)] ^
                IL[3][Byte(s.s2, 3)] ^ k[1],
            IL[0][Byte(s.s2, 0)] ^ IL[1][Byte(s.s1, 1)] ^ IL[2][Byte(s.s0, 2)] ^
                IL[3][Byte(s.s3, 3)] ^ k[2],
            IL[0][Byte(s.s3, 0)] ^ IL[1][Byte(s.s2, 1)] ^ IL[2][Byte(s.s1, 2)] ^
                IL[3][Byte(s.s0, 3)] ^ k[3]};
}

QUILLON_AES_INLINE State LoadState(const std::uint8_t* in) {
    return {Load(in), Load(in + 4), Load(in + 8), Load(in + 12)};
}

QUILLON_AES_INLINE State LoadBlock(const std::uint8_t* in, const std::uint32_t* k) {
    return {Load(in) ^ k[0], Load(in + 4) ^ k[1], Load(in + 8) ^ k[2], Load(in + 12) ^ k[3]};
}

QUILLON_AES_INLINE void StoreBlock(std::uint8_t* out, const State& s) {
    Store(out, s.s0);
    Store(out + 4, s.s1);
    Store(out + 8, s.s2);
    Store(out + 12, s.s3);
}

// Rounds 1 .. Nr on a state already XORed with round key 0. The round count picks the entry
// point: 14 rounds run two and fall into the 12-round sequence, which runs two and falls into
// the 10-round sequence.
template <State (*Round)(const State&, const std::uint32_t*),
          State (*LastRound)(const State&, const std::uint32_t*)>
QUILLON_AES_INLINE State RunRounds(State s, const std::uint32_t* k, int rounds) {
    switch (rounds) {
        case 14:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            k += 8;
            [[fallthrough]];
        case 12:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            k += 8;
            [[fallthrough]];
        default:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            s = Round(s, k + 12);
            s = Round(s, k + 16);
            s = Round(s, k + 20);
            s = Round(s, k + 24);
            s = Round(s, k + 28);
            s = Round(s, k + 32);
            s = Round(s, k + 36);
            return LastRound(s, k + 40);
    }
}

template <State (*Round)(const State&, const std::uint32_t*),
          State (*LastRound)(const State&, const std::uint32_t*)>
QUILLON_AES_INLINE int CryptBlock(const std::uint8_t* in, std::uint8_t* out,
                                  const AesKeySchedule& schedule) {
    const int rounds = RoundsOf(schedule);
    if (rounds == 0) return -1;
    const State s =
        RunRounds<Round, LastRound>(LoadBlock(in, schedule.roundKeys), schedule.roundKeys, rounds);
    StoreBlock(out, s);
    return 0;
}

}  // namespace block

// One 16-byte block; in and out may be the same buffer. 0, or -1 when the schedule's info
// byte is not 160, 192 or 224 (an empty schedule), output untouched.
QUILLON_AES_INLINE int AesEncryptBlock(const std::uint8_t* in, std::uint8_t* out,
                                       const AesKeySchedule& schedule) {
    return block::CryptBlock<block::EncryptRound, block::EncryptLastRound>(in, out, schedule);
}

QUILLON_AES_INLINE int AesDecryptBlock(const std::uint8_t* in, std::uint8_t* out,
                                       const AesKeySchedule& schedule) {
    return block::CryptBlock<block::DecryptRound, block::DecryptLastRound>(in, out, schedule);
}

}  // namespace quillon::cipher
