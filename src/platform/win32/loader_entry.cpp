// The DLL's entry point. The runtime's DLL start-up code initialises the C runtime and then calls
// it under the loader's lock; stdcall, as the loader requires, and not exported.
#include <windows.h>

#include "frame/module_entry.h"

static_assert(DLL_PROCESS_ATTACH == quillon::frame::kProcessAttach);

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    return quillon::frame::ModuleEntry(reason);
}
