#include "support/checked_alloc.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace quillon::support {
namespace {

// Allocations still to go before the one that fails; 0 when the hook is off.
std::atomic<int> allocationsUntilFailure{0};
std::atomic<int> allocationCount{0};
std::atomic<const AllocationObserver*> observer{nullptr};

bool HookSaysFail() {
    int remaining = allocationsUntilFailure.load(std::memory_order_relaxed);
    while (remaining > 0) {
        if (allocationsUntilFailure.compare_exchange_weak(remaining, remaining - 1,
                                                          std::memory_order_relaxed)) {
            return remaining == 1;
        }
    }
    return false;
}

}  // namespace

void* Allocate(std::size_t size) {
    // A plain increment, not a locked one: the count serves tests that allocate on one thread,
    // and a locked instruction here waits for every store before it (the wipes of the last
    // object included), a tenth of the time of a small digest.
    allocationCount.store(allocationCount.load(std::memory_order_relaxed) + 1,
                          std::memory_order_relaxed);
    if (HookSaysFail()) return nullptr;
    // malloc(0) may return null on some runtimes; a live block keeps "null means failure" true.
    void* block = std::malloc(size == 0 ? 1 : size);
    const AllocationObserver* watching = observer.load(std::memory_order_acquire);
    if (block != nullptr && watching != nullptr) watching->made(block, size == 0 ? 1 : size);
    return block;
}

void* AllocateZeroed(std::size_t size) {
    void* block = Allocate(size);
    if (block != nullptr) std::memset(block, 0, size);
    return block;
}

void Release(void* block) {
    const AllocationObserver* watching = observer.load(std::memory_order_acquire);
    if (block != nullptr && watching != nullptr) watching->releasing(block);
    std::free(block);
}

void FailNthAllocation(int n) {
    allocationsUntilFailure.store(n > 0 ? n : 0, std::memory_order_relaxed);
}

void ObserveAllocations(const AllocationObserver* watching) {
    observer.store(watching, std::memory_order_release);
}

int CountAllocations() {
    return allocationCount.exchange(0, std::memory_order_relaxed);
}

}  // namespace quillon::support
