#include "cipher/aes_processor.h"

#include "cipher/aes_mode_set.h"

#if QUILLON_AES_X86
#include <cpuid.h>
#endif

namespace quillon::cipher {

#if QUILLON_AES_X86

namespace {

constexpr bool Bit(unsigned word, int bit) {
    return (word & (1u << bit)) != 0;
}

}  // namespace

bool ProcessorHasAesInstructions() {
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    return Bit(edx, 26) && Bit(ecx, 25);  // SSE2, AES
}

bool ProcessorHasVectorAes() {
    unsigned eax, ebx, ecx, edx;
    if (!ProcessorHasAesInstructions() || __get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    if (!Bit(ecx, 27) || !Bit(ecx, 28)) return false;  // OSXSAVE, AVX
    // XCR0: the system saves the SSE and the upper AVX halves of the registers.
    unsigned xcr0Low, xcr0High;
    __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    if ((xcr0Low & 6u) != 6u) return false;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return false;
    return Bit(ebx, 5) && Bit(ecx, 9);  // AVX2, VAES
}

#else

bool ProcessorHasAesInstructions() {
    return false;
}

bool ProcessorHasVectorAes() {
    return false;
}

#endif

}  // namespace quillon::cipher
