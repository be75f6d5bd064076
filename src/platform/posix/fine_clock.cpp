// The cycle counter on x86; elsewhere the raw monotonic clock in nanoseconds (read through the
// vDSO, no system call).
#include "platform/cpu_features.h"
#if QUILLON_X86
#include <x86intrin.h>
#endif

#include <ctime>

#include "platform/fine_clock.h"

namespace quillon::platform {

std::uint64_t FineClockCount() {
#if QUILLON_X86
    return __rdtsc();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
#endif
}

}  // namespace quillon::platform
