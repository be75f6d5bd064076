// Process-wide locks on POSIX systems: statically initialised mutexes, so no constructor runs at
// load and the first caller finds them ready.
#include <pthread.h>

#include <iterator>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

// One initialiser per ProcessLock value.
pthread_mutex_t locks[] = {
    PTHREAD_MUTEX_INITIALIZER,  // kRawRsaKeyFileCache
    PTHREAD_MUTEX_INITIALIZER,  // kProfileList
    PTHREAD_MUTEX_INITIALIZER,  // kRsaBlinding
};
static_assert(std::size(locks) == static_cast<std::size_t>(ProcessLock::kCount));

}  // namespace

void AcquireProcessLock(ProcessLock lock) {
    pthread_mutex_lock(&locks[static_cast<int>(lock)]);
}

void ReleaseProcessLock(ProcessLock lock) {
    pthread_mutex_unlock(&locks[static_cast<int>(lock)]);
}

}  // namespace quillon::platform
