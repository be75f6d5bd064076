// Drives the checked allocator's failure hook: runs an operation with its 1st, 2nd, ...
// allocation failing in turn, until a run makes no failing allocation.
#pragma once

#include <functional>

#include "support/checked_alloc.h"

namespace quillon::test {

// Calls attempt(n) with the n-th allocation set to fail, for n = 1, 2, ... while the failure
// is reached; returns how many allocations the operation makes when none fails.
// attempt receives the failing allocation's number and checks the failure's result.
int ForEachAllocationFailure(const std::function<void(int failingAllocation)>& attempt);

// Switches the hook off when a test leaves the scope, whatever happened.
struct AllocationHookGuard {
    AllocationHookGuard() { support::FailNthAllocation(0); }
    ~AllocationHookGuard() { support::FailNthAllocation(0); }
};

}  // namespace quillon::test
