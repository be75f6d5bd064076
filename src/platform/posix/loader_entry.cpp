// ELF has no DLL entry point; the loader's constructor and destructor hooks call the module
// entry with the reasons the Windows loader would pass to DllMain, so one entry runs on both
// targets.
#include "frame/module_entry.h"

namespace {

constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;

__attribute__((constructor)) void OnLibraryLoad() {
    quillon::frame::ModuleEntry(kProcessAttach);
}

__attribute__((destructor)) void OnLibraryUnload() {
    quillon::frame::ModuleEntry(kProcessDetach);
}

}  // namespace
