// What the processor, and the system's saving of its registers, offers the engines that choose
// by it (AES, SHA-1). Read with CPUID once, on first use; false everywhere but on x86.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#define QUILLON_X86 1
#else
#define QUILLON_X86 0
#endif

namespace quillon::platform {

struct CpuFeatures {
    bool sse2 = false;
    bool ssse3 = false;
    bool sse41 = false;
    bool aes = false;   // AESENC and friends on 128-bit registers
    bool avx2 = false;  // with a system that saves the 256-bit registers
    bool vaes = false;  // AES on 256-bit registers; only with avx2
    bool sha = false;   // the SHA-1/SHA-256 instructions
};

[[nodiscard]] CpuFeatures ProcessorFeatures();

}  // namespace quillon::platform
