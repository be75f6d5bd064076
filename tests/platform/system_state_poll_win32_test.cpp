// The Windows system-state poll against the same queries made here: the items a reseed mixes
// are the system's answers, in their order and lengths.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "platform/entropy.h"

namespace quillon::platform {
namespace {

using Item = std::vector<std::uint8_t>;

std::vector<Item> Poll() {
    std::vector<Item> items;
    PollSystemState(
        [](void* context, const void* bytes, std::uint32_t length) {
            const auto* at = static_cast<const std::uint8_t*>(bytes);
            static_cast<std::vector<Item>*>(context)->emplace_back(at, at + length);
        },
        &items);
    return items;
}

std::uint32_t Word(const Item& item, std::size_t offset = 0) {
    std::uint32_t word = 0;
    std::memcpy(&word, item.data() + offset, 4);
    return word;
}

std::uint32_t Low32(HANDLE handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

TEST(SystemStatePollWin32, ItemsAreTheSystemsAnswers) {
    const auto items = Poll();
    ASSERT_EQ(items.size(), 23u);
    std::size_t total = 0;
    for (std::size_t i = 0; i < 17; ++i) EXPECT_EQ(items[i].size(), 4u) << i;
    const std::size_t tail[] = {8, 8, 32, 68, 8, 8};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(items[17 + i].size(), tail[i]) << 17 + i;
    for (const Item& item : items) total += item.size();
    EXPECT_EQ(total, 200u);

    EXPECT_EQ(Word(items[4]), Low32(GetCurrentProcess()));
    EXPECT_EQ(Word(items[5]), GetCurrentProcessId());
    EXPECT_EQ(Word(items[6]), Low32(GetCurrentThread()));
    EXPECT_EQ(Word(items[7]), GetCurrentThreadId());
    EXPECT_EQ(Word(items[8]), Low32(GetDesktopWindow()));
    EXPECT_EQ(Word(items[14]), Low32(GetProcessHeap()));
    EXPECT_EQ(Word(items[15]), Low32(GetProcessWindowStation()));
    EXPECT_EQ(Word(items[19]), sizeof(MEMORYSTATUS)) << "memory status carries its length";
    EXPECT_EQ(Word(items[20]), sizeof(STARTUPINFOA)) << "start-up information carries its length";

    __time64_t polled = 0;
    std::memcpy(&polled, items[22].data(), 8);
    const __time64_t now = _time64(nullptr);
    EXPECT_LE(polled, now);
    EXPECT_GE(polled, now - 60);
}

TEST(SystemStatePollWin32, ThePerformanceCounterMovesOn) {
    const auto first = Poll();
    Sleep(1);
    const auto second = Poll();
    ASSERT_EQ(first.size(), 23u);
    ASSERT_EQ(second.size(), 23u);
    std::int64_t before = 0, after = 0;
    std::memcpy(&before, first[21].data(), 8);
    std::memcpy(&after, second[21].data(), 8);
    EXPECT_GT(after, before);
}

}  // namespace
}  // namespace quillon::platform
