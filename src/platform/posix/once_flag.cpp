// The state word itself is what waiters sleep on: std::atomic's wait, a futex on Linux.
#include "platform/once_flag.h"

namespace quillon::platform {
namespace {
constexpr std::uintptr_t kFresh = 0, kRunning = 1, kDone = 2;
}  // namespace

bool OnceFlag::Run(bool (*prepare)(void*), void* context) {
    std::uintptr_t state = word_.load(std::memory_order_acquire);
    while (state != kDone) {
        if (state == kRunning) {
            word_.wait(kRunning, std::memory_order_acquire);
            state = word_.load(std::memory_order_acquire);
            continue;
        }
        if (!word_.compare_exchange_weak(state, kRunning, std::memory_order_acquire)) continue;
        const bool prepared = prepare(context);
        word_.store(prepared ? kDone : kFresh, std::memory_order_release);
        word_.notify_all();
        return prepared;
    }
    return true;
}

bool OnceFlag::Done() {
    return word_.load(std::memory_order_acquire) == kDone;
}

void OnceFlag::Reset() {
    word_.store(kFresh, std::memory_order_release);
}

}  // namespace quillon::platform
