// The four AES modes as one engine provides them. The modes layer checks the schedule first:
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
};

// The 32-bit table lookups: every processor, and the reference for the others.
extern const AesModeSet kAesTableModes;

#if QUILLON_X86
// The processor's AES instructions on 128-bit registers; only where CPUID reports them.
extern const AesModeSet kAesInstructionModes;
// Vector AES on 256-bit registers (VAES with AVX2); only where CPUID and the system's saved
// register state allow it.
extern const AesModeSet kAesVectorModes;
#endif

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
