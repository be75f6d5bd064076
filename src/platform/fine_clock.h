// A fine clock for the processor-jitter sampler: the processor's cycle counter where it has one,
// else the operating system's finest monotonic clock. Its unit is the platform's own; only the
// differences between readings count.
#pragma once

#include <cstdint>

namespace quillon::platform {

[[nodiscard]] std::uint64_t FineClockCount();

}  // namespace quillon::platform
