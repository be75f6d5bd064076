#include "support/checked_alloc.h"

#include <gtest/gtest.h>

#include "common/allocation_failure.h"
#include "support/secure_buffer.h"

namespace quillon::support {
namespace {

TEST(CheckedAlloc, FailsOnlyTheNthAllocation) {
    test::AllocationHookGuard guard;
    FailNthAllocation(3);
    void* first = Allocate(8);
    void* second = Allocate(8);
    void* third = Allocate(8);
    void* fourth = Allocate(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    for (void* block : {first, second, fourth}) Release(block);
}

TEST(CheckedAlloc, ZeroedAndZeroSized) {
    auto* block = static_cast<unsigned char*>(AllocateZeroed(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
    Release(block);
    void* empty = Allocate(0);
    EXPECT_NE(empty, nullptr);
    Release(empty);
    Release(nullptr);
}

TEST(CheckedAlloc, ForEachAllocationFailureCountsThePath) {
    const int made = test::ForEachAllocationFailure([](int) {
        SecureBuffer a = SecureBuffer::Zeroed(10);
        SecureBuffer b = SecureBuffer::Zeroed(20);
    });
    EXPECT_EQ(made, 2);
}

TEST(SecureBuffer, MovesAndReportsFailure) {
    test::AllocationHookGuard guard;
    FailNthAllocation(1);
    EXPECT_FALSE(SecureBuffer::Zeroed(16).ok());
    SecureBuffer buffer = SecureBuffer::Zeroed(16);
    ASSERT_TRUE(buffer.ok());
    buffer.data()[0] = 7;
    SecureBuffer moved = std::move(buffer);
    EXPECT_FALSE(buffer.ok());
    EXPECT_EQ(moved.size(), 16u);
    EXPECT_EQ(moved.data()[0], 7);
    moved.Reset();
    EXPECT_FALSE(moved.ok());
}

}  // namespace
}  // namespace quillon::support
