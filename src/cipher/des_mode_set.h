// The DES modes as one engine provides them, over prepared round keys (des_round_keys.h) and
// whole 8-byte blocks; the modes layer handles partial blocks and never passes zero blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/des_round_keys.h"
#include "platform/cpu_features.h"

namespace quillon::cipher {

struct DesModeSet {
    // In place; iv (8 bytes) ends holding the last ciphertext block.
    void (*cbcEncrypt)(const DesRoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                       std::uint8_t* iv);
    void (*cbcDecrypt)(const DesRoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                       std::uint8_t* iv);
};

// Plain integer code on every processor: each output bit of a round picked out of a 64-entry
// bit table by a rotation (no memory address depends on a secret).
extern const DesModeSet kDesPortableModes;

#if QUILLON_X86
// SSSE3 byte shuffles: the eight S-boxes of a round looked up at once in 16 shuffles that
// together touch the whole table. Only where CPUID reports SSSE3.
extern const DesModeSet kDesShuffleModes;
#endif

}  // namespace quillon::cipher
