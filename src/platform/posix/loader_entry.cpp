// ELF has no DLL entry point; the loader's constructor and destructor hooks call the module
// entry with the reasons the Windows loader would pass to DllMain, so one entry runs on both
// targets.
#include "platform/module.h"

namespace {

__attribute__((constructor)) void OnLibraryLoad() {
    quillon::platform::ModuleEntry(quillon::platform::kProcessAttach);
}

__attribute__((destructor)) void OnLibraryUnload() {
    quillon::platform::ModuleEntry(quillon::platform::kProcessDetach);
}

}  // namespace
