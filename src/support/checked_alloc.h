// The one allocator of the library. Everything handed to callers comes from malloc and goes
// back through free; routing every allocation through here lets the tests fail the N-th one and
// prove that each out-of-memory path is handled.
#pragma once

#include <cstddef>

namespace quillon::support {

// malloc, or null when the allocation fails (for real or by the failure hook).
[[nodiscard]] void* Allocate(std::size_t size);
// Allocate, then fill with zeros.
[[nodiscard]] void* AllocateZeroed(std::size_t size);
// free; a null pointer is ignored.
void Release(void* block);

// Failure hook for tests: the n-th allocation from now (1 = the next one) fails, and only that
// one. 0 switches the hook off. Returns the number of allocations made since the last call to
// CountAllocations, so a test can learn how many allocations a path makes.
void FailNthAllocation(int n);
[[nodiscard]] int CountAllocations();

// Observer for tests: told of every block made (with its size) and of every block about to be
// released, so a test can look at what is freed. Null switches it off.
struct AllocationObserver {
    void (*made)(const void* block, std::size_t size);
    void (*releasing)(const void* block);
};
void ObserveAllocations(const AllocationObserver* observer);

}  // namespace quillon::support
