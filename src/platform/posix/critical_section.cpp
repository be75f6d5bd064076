// The critical section on POSIX: a pthread mutex in the lock's storage.
#include <pthread.h>

#include <new>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

pthread_mutex_t* MutexIn(unsigned char* storage) {
    return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

}  // namespace

void CriticalSection::Create() {
    static_assert(sizeof(pthread_mutex_t) <= sizeof storage_);
    pthread_mutex_init(new (storage_) pthread_mutex_t, nullptr);
}

void CriticalSection::Destroy() {
    pthread_mutex_destroy(MutexIn(storage_));
}

void CriticalSection::Enter() {
    pthread_mutex_lock(MutexIn(storage_));
}

void CriticalSection::Leave() {
    pthread_mutex_unlock(MutexIn(storage_));
}

}  // namespace quillon::platform
