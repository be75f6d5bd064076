// The process-state polls of the provider's seed: their items in order, with the lengths the
// seed relies on, on every platform alike.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/entropy.h"

namespace quillon::platform {
namespace {

struct Items {
    std::vector<std::uint32_t> lengths;
    std::vector<std::vector<std::uint8_t>> bytes;
};

void Collect(void* context, const void* bytes, std::uint32_t length) {
    auto& items = *static_cast<Items*>(context);
    items.lengths.push_back(length);
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    items.bytes.emplace_back(begin, begin + length);
}

TEST(ProcessStateTest, ProcessItemsInOrder) {
    Items items;
    PollProcessState(Collect, &items);
    EXPECT_EQ(items.lengths, (std::vector<std::uint32_t>{68, 4, 4, 32, 32}));
    std::uint32_t processId = 0;
    std::memcpy(&processId, items.bytes[1].data(), 4);
    EXPECT_NE(processId, 0u);
    // The thread and the process exist since some time: creation times are set.
    for (int item : {3, 4}) {
        std::uint64_t creation = 0;
        std::memcpy(&creation, items.bytes[item].data(), 8);
        EXPECT_NE(creation, 0u) << item;
    }
}

TEST(ProcessStateTest, RefreshItemsInOrder) {
    Items items;
    PollSeedRefresh(Collect, &items);
    EXPECT_EQ(items.lengths, (std::vector<std::uint32_t>{4, 4, 8, 4, 4, 8, 4, 16, 4, 4, 4, 4, 4, 8,
                                                         32, 8, 32, 32}));
}

}  // namespace
}  // namespace quillon::platform
