#include "support/once.h"

#include "platform/locks.h"

namespace quillon::support {

bool Once::Begin() {
    // A preparation takes microseconds: waiting by yielding is cheaper than a lock to sleep on,
    // which would itself need making once.
    int state = state_.load(std::memory_order_acquire);
    while (state != kDone) {
        if (state == kFresh &&
            state_.compare_exchange_weak(state, kRunning, std::memory_order_acquire)) {
            return true;
        }
        if (state == kRunning) {
            platform::YieldToOtherThreads();
            state = state_.load(std::memory_order_acquire);
        }
    }
    return false;
}

void Once::Finish(bool prepared) {
    state_.store(prepared ? kDone : kFresh, std::memory_order_release);
}

}  // namespace quillon::support
