#include "common/allocation_failure.h"

namespace quillon::test {

int ForEachAllocationFailure(const std::function<void(int failingAllocation)>& attempt) {
    AllocationHookGuard guard;
    for (int n = 1;; ++n) {
        (void)support::CountAllocations();
        support::FailNthAllocation(n);
        attempt(n);
        const int made = support::CountAllocations();
        support::FailNthAllocation(0);
        if (made < n) return made;
    }
}

}  // namespace quillon::test
