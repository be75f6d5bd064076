// A millisecond tick counter and a yield of the processor: the two ingredients of the
// timing-jitter sampler of RngTimingJitter.
#pragma once

#include <cstdint>

namespace quillon::platform {

// Milliseconds; wraps at 2^32.
[[nodiscard]] std::uint32_t TickCount();
// Lets any other ready thread run.
void YieldTimeSlice();

}  // namespace quillon::platform
