// The RSA exports seed a random object per call, and the real jitter sampler waits 32 ticks of
// the millisecond counter for it. Here every reading moves the counter on, so each sample
// returns at once and the tests spend their time on RSA, not on waiting.
#include <atomic>

#include "platform/timing.h"

namespace quillon::platform {

namespace {
std::atomic<std::uint32_t> ticks{1000};
}  // namespace

std::uint32_t TickCount() {
    return ticks.fetch_add(1, std::memory_order_relaxed);
}

void YieldTimeSlice() {}

}  // namespace quillon::platform
