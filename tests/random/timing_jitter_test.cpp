#include "random/timing_jitter.h"

#include <gtest/gtest.h>

#include "fakes/tick_counter_fake.h"

namespace quillon::random {
namespace {

using test::FakeTicks;

class TimingJitterTest : public ::testing::Test {
  protected:
    void SetUp() override { test::ResetFakeTicks(); }
};

// Each bit reads the counter for its target, then once more, then once per yield.
TEST_F(TimingJitterTest, BitsAreTheParityOfTheYieldsPerTick) {
    // Three yields per tick: every bit waits 3 yields, parity 1, so every bit is 1.
    FakeTicks().yieldsPerTick = 3;
    EXPECT_EQ(SampleTimingJitter(), 0xFFFFFFFFu);
    EXPECT_EQ(FakeTicks().yields, 32 * 3);
    test::ResetFakeTicks();
    FakeTicks().yieldsPerTick = 2;
    EXPECT_EQ(SampleTimingJitter(), 0u);
    EXPECT_EQ(FakeTicks().yields, 32 * 2);
}

TEST_F(TimingJitterTest, FirstBitIsTheHighestOfTheFirstByte) {
    // First bit: target 11, then 10, one yield, then 11: one yield, bit 1. The other 31 bits:
    // the tick has already moved on at the second reading, so they are 0 with no yield.
    FakeTicks().script = {10, 10, 11};
    for (int bit = 1; bit < 32; ++bit) {
        FakeTicks().script.push_back(20);
        FakeTicks().script.push_back(21);
    }
    EXPECT_EQ(SampleTimingJitter(), 0x80u);
    EXPECT_EQ(FakeTicks().yields, 1);
}

TEST_F(TimingJitterTest, MovedOnTickAndWrappedTargetGiveZeroWithoutWaiting) {
    // Bit 1: the tick moved on between the readings. Bit 2: first reading 0xFFFFFFFF, the
    // target wraps to 0. Then 30 bits of one yield each (bits of value 1).
    FakeTicks().script = {5, 6, 0xFFFFFFFF, 0xFFFFFFFF};
    for (int bit = 2; bit < 32; ++bit) {
        for (const std::uint32_t reading : {40u, 40u, 41u}) FakeTicks().script.push_back(reading);
    }
    const std::uint32_t jitter = SampleTimingJitter();
    EXPECT_EQ(FakeTicks().yields, 30);
    EXPECT_EQ(jitter & 0xFF, 0x3Fu);  // the first byte's two highest bits are the two zeros
    EXPECT_EQ(jitter >> 8, 0xFFFFFFu);
}

}  // namespace
}  // namespace quillon::random
