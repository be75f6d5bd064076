// The processor-jitter sampler: 32 bits from how long short pieces of memory-bound work take,
// read on the fine clock. It never waits for the coarse tick, so a sample costs microseconds;
// the seeded random objects take their reseed's caller value from it.
#pragma once

#include <cstdint>

namespace quillon::random {

// Each work piece's duration counts only by the parity of its bits; the parities of
// kCpuJitterPiecesPerBit pieces are folded into one bit. The first bit sampled ends as the
// highest bit of the result.
inline constexpr int kCpuJitterPiecesPerBit = 2;

[[nodiscard]] std::uint32_t SampleCpuJitter();

}  // namespace quillon::random
