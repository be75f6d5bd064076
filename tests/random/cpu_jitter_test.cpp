#include "random/cpu_jitter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fakes/fine_clock_fake.h"
#include "fakes/tick_counter_fake.h"

namespace quillon::random {
namespace {

// Every piece takes the default step 3 (two bits set: parity 0) except those given as
// {piece, duration}; pieces are numbered from 0 in the order they run.
std::uint32_t SampleWith(const std::vector<std::pair<int, std::uint64_t>>& changed) {
    test::ResetFakeFineClock();
    std::vector<std::uint64_t> durations(32 * kCpuJitterPiecesPerBit, 3);
    for (const auto& [piece, duration] : changed) durations[piece] = duration;
    test::FakeFine().steps.push_back(0);  // the first reading, before any piece
    for (const std::uint64_t duration : durations) test::FakeFine().steps.push_back(duration);
    return SampleCpuJitter();
}

// Each bit is the parity of all the bits of its pieces' durations; the first bit sampled is the
// highest of the result.
TEST(CpuJitter, BitsAreTheParityOfTheirPiecesDurations) {
    constexpr int kPieces = kCpuJitterPiecesPerBit;
    const struct Case {
        std::vector<std::pair<int, std::uint64_t>> changed;
        std::uint32_t expected;
    } kCases[] = {
        {{}, 0},
        {{{0, 1}}, 0x80000000u},
        {{{kPieces - 1, 0x8000000000000003u}}, 0x80000000u},
        {{{0, 1}, {1, 1}}, 0},  // two odd pieces of one bit cancel
        {{{kPieces, 7}}, 0x40000000u},
        {{{0, 2}, {31 * kPieces, 2}}, 0x80000001u},
        {{{0, 1}, {kPieces, 1}}, 0xC0000000u},
    };
    for (const Case& c : kCases) EXPECT_EQ(SampleWith(c.changed), c.expected);
}

// One reading to start, one after each piece; the coarse tick counter is never read.
TEST(CpuJitter, ReadsOnlyTheFineClock) {
    test::ResetFakeTicks();
    test::ResetFakeFineClock();
    (void)SampleCpuJitter();
    EXPECT_EQ(test::FakeFine().readings, 1 + 32 * kCpuJitterPiecesPerBit);
    EXPECT_EQ(test::FakeTicks().readings, 0);
    EXPECT_EQ(test::FakeTicks().yields, 0);
}

}  // namespace
}  // namespace quillon::random
