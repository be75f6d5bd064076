// The cycle counter on x86 (the performance counter ticks at 10 MHz, too coarse to see the
// jitter of a few hundred nanoseconds of work); elsewhere the performance counter.
#include <windows.h>
#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "platform/fine_clock.h"

namespace quillon::platform {

std::uint64_t FineClockCount() {
#if defined(__i386__) || defined(__x86_64__)
    return __rdtsc();
#else
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
#endif
}

}  // namespace quillon::platform
