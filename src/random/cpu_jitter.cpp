#include "random/cpu_jitter.h"

#include <bit>
#include <cstring>

#include "platform/fine_clock.h"

namespace quillon::random {
namespace {

// Larger than a cache way's share of a line set, so the walks meet cache and translation misses
// now and then; small enough to stay on the stack.
constexpr std::uint32_t kWorkBytes = 4096;
// An odd stride, so a walk visits every byte before it repeats.
constexpr std::uint32_t kStride = 67;

// A walk of 8 to 15 read-modify-writes whose start and length follow the last duration: the
// work itself varies with the noise it measures, as in CPU-jitter gatherers.
std::uint32_t Work(std::uint8_t* memory, std::uint32_t position, std::uint64_t lastDuration) {
    const std::uint32_t steps = 8 + static_cast<std::uint32_t>(lastDuration & 7);
    for (std::uint32_t step = 0; step < steps; ++step) {
        position =
            (position + kStride + static_cast<std::uint32_t>(lastDuration >> 4)) % kWorkBytes;
        memory[position] = static_cast<std::uint8_t>(memory[position] + 1);
    }
    // The walk's bytes go nowhere, but it must be done before the next clock reading.
    asm volatile("" : : "r"(memory) : "memory");
    return position;
}

}  // namespace

std::uint32_t SampleCpuJitter() {
    std::uint8_t memory[kWorkBytes];
    std::memset(memory, 0, sizeof memory);
    std::uint32_t position = 0;
    std::uint64_t last = platform::FineClockCount();
    std::uint64_t duration = 0;
    std::uint32_t result = 0;
    for (int bit = 0; bit < 32; ++bit) {
        std::uint64_t folded = 0;
        for (int piece = 0; piece < kCpuJitterPiecesPerBit; ++piece) {
            position = Work(memory, position, duration);
            const std::uint64_t now = platform::FineClockCount();
            duration = now - last;
            last = now;
            folded ^= duration;
        }
        result = (result << 1) | static_cast<std::uint32_t>(std::popcount(folded) & 1);
    }
    return result;
}

}  // namespace quillon::random
