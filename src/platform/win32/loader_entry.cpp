// The DLL's entry point. The runtime's DLL start-up code initialises the C runtime and then calls
// it under the loader's lock; stdcall, as the loader requires, and not exported.
#include <windows.h>

#include <openssl/crypto.h>

#include "platform/module.h"
#include "platform/thread_value.h"

static_assert(DLL_PROCESS_ATTACH == quillon::platform::kProcessAttach);
static_assert(DLL_PROCESS_DETACH == quillon::platform::kProcessDetach);

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // libcrypto is linked into the DLL: what it keeps for a thread (its error queue) goes with
    // the thread, and what it made for the process goes with the DLL, as do the module's own
    // state (before libcrypto's, which it uses) and its thread slot, so loading and unloading
    // leaves nothing behind. A process that is ending (reserved set) needs nothing given back,
    // and its other threads are gone already.
    if (reason == DLL_THREAD_DETACH) OPENSSL_thread_stop();
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        quillon::platform::ModuleRelease();
        quillon::platform::ReleaseThreadValueSlot();
        OPENSSL_cleanup();
    }
    return quillon::platform::ModuleEntry(reason);
}
