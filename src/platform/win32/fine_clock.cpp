// The cycle counter on x86 (the performance counter ticks at 10 MHz, too coarse to see the
// jitter of a few hundred nanoseconds of work); elsewhere the performance counter.
#include <windows.h>
#include "platform/cpu_features.h"
#if QUILLON_X86
#include <x86intrin.h>
#endif

#include "platform/fine_clock.h"

namespace quillon::platform {

std::uint64_t FineClockCount() {
#if QUILLON_X86
    return __rdtsc();
#else
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
#endif
}

}  // namespace quillon::platform
