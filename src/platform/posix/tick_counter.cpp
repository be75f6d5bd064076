// The tick counter and processor yield of the jitter sampler: milliseconds of the monotonic
// clock, wrapping at 2^32 like the Windows tick count, and sched_yield for Sleep(0).
#include <sched.h>

#include <ctime>

#include "platform/timing.h"

namespace quillon::platform {

std::uint32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void YieldTimeSlice() {
    sched_yield();
}

}  // namespace quillon::platform
