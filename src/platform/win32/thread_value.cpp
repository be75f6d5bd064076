// The module's per-thread value in a Windows TLS slot, made at the first set and given back when
// the DLL unloads, so loading and unloading the DLL leaves no slot behind.
#include <windows.h>

#include <atomic>

#include "platform/thread_value.h"

namespace quillon::platform {
namespace {

std::atomic<DWORD> slot{TLS_OUT_OF_INDEXES};

// The slot, made now if there is none; TLS_OUT_OF_INDEXES when none can be had. Of two threads
// making it at once, one keeps its slot and the other gives its own back.
DWORD Slot() {
    DWORD index = slot.load(std::memory_order_acquire);
    if (index != TLS_OUT_OF_INDEXES) return index;
    const DWORD made = TlsAlloc();
    if (made == TLS_OUT_OF_INDEXES) return made;
    if (slot.compare_exchange_strong(index, made, std::memory_order_acq_rel)) return made;
    TlsFree(made);
    return index;
}

}  // namespace

void SetThreadValue(const void* value) {
    const DWORD index = Slot();
    if (index != TLS_OUT_OF_INDEXES) TlsSetValue(index, const_cast<void*>(value));
}

const void* ThreadValue() {
    const DWORD index = slot.load(std::memory_order_acquire);
    return index == TLS_OUT_OF_INDEXES ? nullptr : TlsGetValue(index);
}

void ReleaseThreadValueSlot() {
    const DWORD index = slot.exchange(TLS_OUT_OF_INDEXES, std::memory_order_acq_rel);
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
}

}  // namespace quillon::platform
