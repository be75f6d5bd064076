#include "fakes/tick_counter_fake.h"

#include "platform/timing.h"

namespace quillon::test {
namespace {
FakeTickCounter theCounter;
}  // namespace

FakeTickCounter& FakeTicks() {
    return theCounter;
}
void ResetFakeTicks() {
    theCounter = FakeTickCounter{};
}

}  // namespace quillon::test

namespace quillon::platform {

std::uint32_t TickCount() {
    auto& ticks = test::FakeTicks();
    ++ticks.readings;
    if (!ticks.script.empty()) {
        const std::uint32_t reading = ticks.script.front();
        ticks.script.pop_front();
        return reading;
    }
    return ticks.now;
}

void YieldTimeSlice() {
    auto& ticks = test::FakeTicks();
    ++ticks.yields;
    if (++ticks.yieldsSinceTick >= ticks.yieldsPerTick) {
        ticks.yieldsSinceTick = 0;
        ++ticks.now;
    }
}

}  // namespace quillon::platform
