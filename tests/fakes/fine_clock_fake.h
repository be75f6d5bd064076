// A scripted fine clock standing in for the platform's: each reading moves the clock on by the
// next scripted step, or by the default step when the script is empty, and is counted.
#pragma once

#include <cstdint>
#include <deque>

namespace quillon::test {

struct FakeFineClock {
    std::deque<std::uint64_t> steps;  // taken first, in order
    std::uint64_t defaultStep = 3;
    std::uint64_t now = 1000;
    int readings = 0;
};

FakeFineClock& FakeFine();
void ResetFakeFineClock();

}  // namespace quillon::test
