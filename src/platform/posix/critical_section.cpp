// The lazily created critical section on POSIX: a pthread mutex in the lock's storage.
#include <pthread.h>
#include <sched.h>

#include <new>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

pthread_mutex_t* MutexIn(unsigned char* storage) {
    return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

}  // namespace

void LazyCriticalSection::EnsureCreated() {
    static_assert(sizeof(pthread_mutex_t) <= sizeof storage_);
    if (state_.load(std::memory_order_acquire) == kReady) return;
    std::uint32_t expected = kAbsent;
    if (state_.compare_exchange_strong(expected, kCreating, std::memory_order_acq_rel)) {
        pthread_mutex_init(new (storage_) pthread_mutex_t, nullptr);
        state_.store(kReady, std::memory_order_release);
        return;
    }
    while (state_.load(std::memory_order_acquire) != kReady) sched_yield();
}

void LazyCriticalSection::Destroy() {
    if (state_.load(std::memory_order_acquire) != kReady) return;
    pthread_mutex_destroy(MutexIn(storage_));
    state_.store(kAbsent, std::memory_order_release);
}

void LazyCriticalSection::Enter() {
    EnsureCreated();
    pthread_mutex_lock(MutexIn(storage_));
}

void LazyCriticalSection::Leave() {
    pthread_mutex_unlock(MutexIn(storage_));
}

}  // namespace quillon::platform
