// The lazily created critical section on Windows.
#include <windows.h>

#include <new>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

CRITICAL_SECTION* SectionIn(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

void LazyCriticalSection::EnsureCreated() {
    static_assert(sizeof(CRITICAL_SECTION) <= sizeof storage_);
    if (state_.load(std::memory_order_acquire) == kReady) return;
    std::uint32_t expected = kAbsent;
    if (state_.compare_exchange_strong(expected, kCreating, std::memory_order_acq_rel)) {
        InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
        state_.store(kReady, std::memory_order_release);
        return;
    }
    while (state_.load(std::memory_order_acquire) != kReady) Sleep(0);
}

void LazyCriticalSection::Destroy() {
    if (state_.load(std::memory_order_acquire) != kReady) return;
    DeleteCriticalSection(SectionIn(storage_));
    state_.store(kAbsent, std::memory_order_release);
}

void LazyCriticalSection::Enter() {
    EnsureCreated();
    EnterCriticalSection(SectionIn(storage_));
}

void LazyCriticalSection::Leave() {
    LeaveCriticalSection(SectionIn(storage_));
}

}  // namespace quillon::platform
