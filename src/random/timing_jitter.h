// The timing-jitter sampler: 32 bits from how often the thread gets the processor back
// before the system tick counter moves on.
#pragma once

#include <cstdint>

namespace quillon::random {

// One bit per tick: wait for the next tick while yielding, and keep the lowest bit of the
// number of yields. The first bit sampled is the highest bit of the first byte; the first
// byte made is the least significant byte of the result.
[[nodiscard]] std::uint32_t SampleTimingJitter();

}  // namespace quillon::random
