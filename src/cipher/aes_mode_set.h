// The four AES modes as one engine provides them. The modes layer checks the schedule first:
// an engine is only ever handed a schedule with a valid round count, and never zero blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/aes_engine.h"

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

#if defined(__x86_64__) || defined(__i386__)
#define QUILLON_AES_X86 1
// The processor's AES instructions on 128-bit registers; only where CPUID reports them.
extern const AesModeSet kAesInstructionModes;
#endif

}  // namespace quillon::cipher
