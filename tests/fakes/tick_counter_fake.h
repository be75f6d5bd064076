// A scripted tick counter standing in for the platform's: readings come from a script, or,
// when the script is empty, from a counter that moves on one tick every few yields.
#pragma once

#include <cstdint>
#include <deque>

namespace quillon::test {

struct FakeTickCounter {
    std::deque<std::uint32_t> script;  // readings returned first, in order
    std::uint32_t now = 1000;
    int yieldsPerTick = 3;
    int yieldsSinceTick = 0;
    int yields = 0;
    int readings = 0;
};

FakeTickCounter& FakeTicks();
void ResetFakeTicks();

}  // namespace quillon::test
