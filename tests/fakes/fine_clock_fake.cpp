#include "fakes/fine_clock_fake.h"

#include <mutex>

#include "platform/fine_clock.h"

namespace quillon::test {
namespace {
FakeFineClock theClock;
// Seeded random objects may be drawn from on several threads at once.
std::mutex clockLock;
}  // namespace

FakeFineClock& FakeFine() {
    return theClock;
}
void ResetFakeFineClock() {
    const std::lock_guard<std::mutex> locked(clockLock);
    theClock = FakeFineClock{};
}

}  // namespace quillon::test

namespace quillon::platform {

std::uint64_t FineClockCount() {
    const std::lock_guard<std::mutex> locked(test::clockLock);
    auto& clock = test::FakeFine();
    ++clock.readings;
    std::uint64_t step = clock.defaultStep;
    if (!clock.steps.empty()) {
        step = clock.steps.front();
        clock.steps.pop_front();
    }
    clock.now += step;
    return clock.now;
}

}  // namespace quillon::platform
