#include "random/entropy_poll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace quillon::random {
namespace {

using Item = std::vector<std::uint8_t>;

std::vector<Item> Poll(const std::uint8_t (&ring)[8], std::uint32_t value) {
    std::vector<Item> items;
    PollEntropy(
        ring, value,
        [](void* context, const void* bytes, std::uint32_t length) {
            const auto* at = static_cast<const std::uint8_t*>(bytes);
            static_cast<std::vector<Item>*>(context)->emplace_back(at, at + length);
        },
        &items);
    return items;
}

TEST(EntropyPoll, ItemsInOrderWithTheirFixedLengths) {
    const std::uint8_t ring[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto items = Poll(ring, 0xF0F0F0F0);
    std::vector<std::size_t> lengths;
    std::size_t total = 0;
    for (const Item& item : items) {
        lengths.push_back(item.size());
        total += item.size();
    }
    const std::vector<std::size_t> expected = {8, 4, 4, 4, 4, 4, 4, 4, 4,  4,  4, 4, 4,
                                               4, 4, 4, 4, 4, 4, 8, 8, 32, 68, 8, 8, 32};
    EXPECT_EQ(lengths, expected);
    EXPECT_EQ(total, 212u + kOsRandomItemLength);
    EXPECT_EQ(items[0], Item(ring, ring + 8));
    EXPECT_EQ(items[1], (Item{0xF0, 0xF0, 0xF0, 0xF0}));
}

TEST(EntropyPoll, TwoPollsDifferInTheCounterAndTheOsBytes) {
    const std::uint8_t ring[8] = {};
    const auto first = Poll(ring, 1);
    const auto second = Poll(ring, 1);
    ASSERT_EQ(first.size(), 26u);
    ASSERT_EQ(second.size(), 26u);
    EXPECT_NE(first[23], second[23]) << "performance counter";
    EXPECT_NE(first[25], second[25]) << "operating system random bytes";
}

}  // namespace
}  // namespace quillon::random
