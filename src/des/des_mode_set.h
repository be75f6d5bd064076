// The DES modes as one engine provides them, over prepared round keys (des_round_keys.h) and
// whole 8-byte blocks; callers handle partial blocks and never pass zero blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "des/des_round_keys.h"
#include "platform/cpu_features.h"

namespace quillon::des {

struct ModeSet {
    // Each block on its own, in place.
    void (*ecb)(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks);
    // In place; iv (8 bytes) ends holding the last ciphertext block.
    void (*cbcEncrypt)(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                       std::uint8_t* iv);
    void (*cbcDecrypt)(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                       std::uint8_t* iv);
};

// Plain integer code on every processor: each output bit of a round picked out of a 64-entry
// bit table by a rotation (no memory address depends on a secret).
extern const ModeSet kPortableModes;

// The portable engine's CBC encryption. One chain is bound by a round's latency, and there the
// rotations are shorter than the shuffles with their moves between register files, so every
// engine encrypts CBC with it.
void PortableCbcEncrypt(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                        std::uint8_t* iv);

#if QUILLON_X86
// SSSE3 byte shuffles: the eight S-boxes of a round looked up at once in 16 shuffles that
// together touch the whole table. Only where CPUID reports SSSE3.
extern const ModeSet kShuffleModes;
#endif

}  // namespace quillon::des
