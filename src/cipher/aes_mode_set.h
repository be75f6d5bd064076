// The four AES modes as one engine provides them, and the two steps of the key setup that touch
// key bytes in a nonlinear or engine-specific way. The modes layer checks the schedule first:
// an engine is only ever handed a schedule with a valid round count, and never zero blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/aes_engine.h"
#include "platform/cpu_features.h"

namespace quillon::cipher {

struct AesModeSet {
    void (*ecbEncrypt)(const AesKeySchedule& schedule, int rounds, std::uint8_t* out,
                       const std::uint8_t* in, std::size_t blocks);
    void (*ecbDecrypt)(const AesKeySchedule& schedule, int rounds, std::uint8_t* out,
                       const std::uint8_t* in, std::size_t blocks);
    void (*cbcEncrypt)(const AesKeySchedule& schedule, int rounds, std::uint8_t* data,
                       std::size_t blocks, std::uint8_t* iv);
    void (*cbcDecrypt)(const AesKeySchedule& schedule, int rounds, std::uint8_t* data,
                       std::size_t blocks, std::uint8_t* iv);
    // SubWord of the key expansion: the S-box on each byte of the word.
    std::uint32_t (*subWord)(std::uint32_t word);
    // InvMixColumns on each of roundKeys 16-byte round keys (the decryption schedule's middle).
    void (*invMixColumns)(std::uint32_t* words, int roundKeys);
};

// Byte arithmetic on machine words: every processor.
extern const AesModeSet kAesPortableModes;

#if QUILLON_X86
// Byte shuffles (SSSE3) over a tower-field S-box; only where CPUID reports SSSE3.
extern const AesModeSet kAesVectorPermuteModes;
// The processor's AES instructions on 128-bit registers; only where CPUID reports them.
extern const AesModeSet kAesInstructionModes;
// Vector AES on 256-bit registers (VAES with AVX2); only where CPUID and the system's saved
// register state allow it.
extern const AesModeSet kAesVectorModes;
// The key setup's steps on AESKEYGENASSIST and AESIMC, which both instruction engines use.
std::uint32_t AesInstructionSubWord(std::uint32_t word);
void AesInstructionInvMixColumns(std::uint32_t* words, int roundKeys);
#endif

// The engine that serves (chosen on first use); the key setup runs its steps.
[[nodiscard]] const AesModeSet& AesServingModes();

// Calls run.template operator()<Nr>() for the schedule's round count (10, 12 or 14), so that a
// mode is compiled once per key size with its rounds as straight-line code.
template <typename Run>
inline void WithRounds(int rounds, Run&& run) {
    switch (rounds) {
        case 10:
            return run.template operator()<10>();
        case 12:
            return run.template operator()<12>();
        default:
            return run.template operator()<14>();
    }
}

}  // namespace quillon::cipher
