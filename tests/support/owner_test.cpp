#include "support/owner.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/allocation_failure.h"
#include "support/checked_alloc.h"
#include "support/handed_out_cell.h"

namespace quillon::support {
namespace {

// Counts its own destructions, so a test can see who destroyed what.
struct Tracked {
    int* destroyed = nullptr;
    std::uint32_t value = 0;
    ~Tracked() {
        if (destroyed != nullptr) ++*destroyed;
    }
};

using OwnedTracked = Owner<Tracked, Delete<Tracked>>;

// A cell as the exports make them: it owns what it holds.
struct Cell {
    OwnedTracked held;
};

TEST(TypedAllocation, NewZeroesBuildsAndFailsAsTheAllocatorDoes) {
    struct Record {
        std::uint64_t a;
        std::uint8_t bytes[13];
    };
    auto* record = New<Record>();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->a, 0u);
    for (std::uint8_t byte : record->bytes) EXPECT_EQ(byte, 0);
    Delete(&record);
    EXPECT_EQ(record, nullptr);
    Delete(&record);  // null is accepted

    int destroyed = 0;
    auto* tracked = New<Tracked>(&destroyed, 7u);
    ASSERT_NE(tracked, nullptr);
    EXPECT_EQ(tracked->value, 7u);
    Delete(&tracked);
    EXPECT_EQ(destroyed, 1);

    test::AllocationHookGuard guard;
    FailNthAllocation(1);
    EXPECT_EQ(New<Record>(), nullptr);
    FailNthAllocation(1);
    EXPECT_EQ(NewArray<std::uint32_t>(4), nullptr);
    FailNthAllocation(1);
    EXPECT_EQ(NewZeroedArray<std::uint32_t>(4), nullptr);
}

TEST(TypedAllocation, ArraysAndCountsThatDoNotFit) {
    auto* zeroed = NewZeroedArray<std::uint32_t>(9);
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(zeroed[i], 0u);
    Release(zeroed);
    auto* empty = NewArray<std::uint8_t>(0);
    EXPECT_NE(empty, nullptr);
    Release(empty);

    (void)CountAllocations();
    const std::size_t tooMany = static_cast<std::size_t>(-1) / sizeof(std::uint32_t) + 1;
    EXPECT_EQ(NewArray<std::uint32_t>(tooMany), nullptr);
    EXPECT_EQ(NewZeroedArray<std::uint32_t>(tooMany), nullptr);
    EXPECT_EQ(CountAllocations(), 0) << "a count that cannot fit is refused before allocating";
}

TEST(Owner, DestroysUnlessHandedOut) {
    int destroyed = 0;
    {
        OwnedTracked owner(New<Tracked>(&destroyed));
        ASSERT_NE(owner.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 1);

    Tracked* given = nullptr;
    {
        OwnedTracked owner(New<Tracked>(&destroyed));
        owner.HandOut(&given);
        EXPECT_EQ(owner.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
    ASSERT_NE(given, nullptr);

    OwnedTracked moved;
    {
        OwnedTracked owner(given);
        *owner.Receive() = New<Tracked>(&destroyed);  // the object held before is destroyed
        EXPECT_EQ(destroyed, 2);
        moved = std::move(owner);
    }
    EXPECT_EQ(destroyed, 2);
    moved.Reset();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(moved.get(), nullptr);
}

TEST(MakeCell, HandsOutTheCellOnlyOnSuccess) {
    int destroyed = 0;
    Cell* const untouched = reinterpret_cast<Cell*>(0x1234);
    struct Case {
        std::int32_t fillResult;
        bool failCell;
    } const kCases[] = {{0, false}, {5, false}, {-1, false}, {0, true}};
    for (const Case& c : kCases) {
        test::AllocationHookGuard guard;
        Cell* handle = untouched;
        bool filled = false;
        if (c.failCell) FailNthAllocation(1);
        const std::int32_t result = MakeCell(&handle, [&](Cell& cell) {
            filled = true;
            EXPECT_EQ(cell.held.get(), nullptr) << "a fresh cell holds nothing";
            *cell.held.Receive() = New<Tracked>(&destroyed);
            return c.fillResult;
        });
        if (c.failCell) {
            EXPECT_EQ(result, kNoCell);
            EXPECT_FALSE(filled);
            EXPECT_EQ(handle, untouched);
            continue;
        }
        EXPECT_EQ(result, c.fillResult);
        if (c.fillResult == 0) {
            ASSERT_NE(handle, untouched);
            ASSERT_NE(handle->held.get(), nullptr);
            const int before = destroyed;
            Delete(&handle);
            EXPECT_EQ(destroyed, before + 1) << "deleting the cell destroys what it holds";
        } else {
            EXPECT_EQ(handle, untouched);
        }
    }
    EXPECT_EQ(destroyed, 3);
}

}  // namespace
}  // namespace quillon::support
