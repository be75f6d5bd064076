// Process-wide locks on Windows: slim reader/writer locks taken exclusively. SRWLOCK_INIT is a
// constant, so the locks are ready at load without a constructor or a one-time set-up, which a
// critical section would need.
#include <windows.h>

#include <iterator>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

// One initialiser per ProcessLock value.
SRWLOCK locks[] = {
    SRWLOCK_INIT,  // kRawRsaKeyFileCache
    SRWLOCK_INIT,  // kProfileList
    SRWLOCK_INIT,  // kRsaBlinding
};
static_assert(std::size(locks) == static_cast<std::size_t>(ProcessLock::kCount));

}  // namespace

void AcquireProcessLock(ProcessLock lock) {
    AcquireSRWLockExclusive(&locks[static_cast<int>(lock)]);
}

void ReleaseProcessLock(ProcessLock lock) {
    ReleaseSRWLockExclusive(&locks[static_cast<int>(lock)]);
}

}  // namespace quillon::platform
