// The critical section on Windows, in the lock's storage.
#include <windows.h>

#include <new>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

CRITICAL_SECTION* SectionIn(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

void CriticalSection::Create() {
    static_assert(sizeof(CRITICAL_SECTION) <= sizeof storage_);
    InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
}

void CriticalSection::Destroy() {
    DeleteCriticalSection(SectionIn(storage_));
}

void CriticalSection::Enter() {
    EnterCriticalSection(SectionIn(storage_));
}

void CriticalSection::Leave() {
    LeaveCriticalSection(SectionIn(storage_));
}

}  // namespace quillon::platform
