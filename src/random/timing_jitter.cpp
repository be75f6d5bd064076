#include "random/timing_jitter.h"

#include "platform/timing.h"

namespace quillon::random {
namespace {

std::uint32_t SampleBit() {
    const std::uint32_t target = platform::TickCount() + 1;
    std::uint32_t reading = platform::TickCount();
    // The tick already moved on, or the target wrapped to 0: the bit is 0, nothing to wait for.
    if (!(target > reading)) return 0;
    std::uint32_t yields = 0;
    do {
        platform::YieldTimeSlice();
        ++yields;
        reading = platform::TickCount();
    } while (target > reading);
    return yields & 1;
}

}  // namespace

std::uint32_t SampleTimingJitter() {
    std::uint32_t result = 0;
    for (int byteIndex = 0; byteIndex < 4; ++byteIndex) {
        std::uint32_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) byte = ((byte << 1) | SampleBit()) & 0xFF;
        result |= byte << (8 * byteIndex);
    }
    return result;
}

}  // namespace quillon::random
