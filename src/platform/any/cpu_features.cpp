#include "platform/cpu_features.h"

#include <atomic>
#include <bit>
#include <cstdint>

#if QUILLON_X86
#include <cpuid.h>
#endif

namespace quillon::platform {
namespace {

#if QUILLON_X86

constexpr bool Bit(unsigned word, int bit) {
    return (word & (1u << bit)) != 0;
}

// The system saves the SSE and the upper AVX halves of the registers (XCR0 bits 1 and 2).
bool SystemSavesWideRegisters() {
    unsigned xcr0Low, xcr0High;
    __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    return (xcr0Low & 6u) == 6u;
}

CpuFeatures Read() {
    CpuFeatures features;
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return features;
    features.sse2 = Bit(edx, 26);
    features.ssse3 = Bit(ecx, 9);
    features.sse41 = Bit(ecx, 19);
    features.aes = features.sse2 && Bit(ecx, 25);
    const bool avx = Bit(ecx, 27) && Bit(ecx, 28) && SystemSavesWideRegisters();  // OSXSAVE, AVX
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return features;
    features.avx2 = avx && Bit(ebx, 5);
    features.vaes = features.avx2 && features.aes && Bit(ecx, 9);
    features.sha = features.ssse3 && features.sse41 && Bit(ebx, 29);
    return features;
}

#else

CpuFeatures Read() {
    return {};
}

#endif

// The answer with a flag that it was read, kept in one atomic word rather than a guarded static:
// a guard would leave the runtime's thread-local slot behind each time the DLL is unloaded.
// Racing first readers store the same answer.
struct ReadFeatures {
    CpuFeatures features;
    bool read = false;
};
static_assert(sizeof(ReadFeatures) == sizeof(std::uint64_t));

constinit std::atomic<std::uint64_t> readFeatures{0};

}  // namespace

CpuFeatures ProcessorFeatures() {
    std::uint64_t bits = readFeatures.load(std::memory_order_relaxed);
    if (bits == 0) {
        bits = std::bit_cast<std::uint64_t>(ReadFeatures{Read(), true});
        readFeatures.store(bits, std::memory_order_relaxed);
    }
    return std::bit_cast<ReadFeatures>(bits).features;
}

}  // namespace quillon::platform
