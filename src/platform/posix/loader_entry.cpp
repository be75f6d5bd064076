// ELF has no DLL entry point; the loader's constructor and destructor hooks call the module
// entry with the reasons the Windows loader would pass, so one entry runs on both targets.
#include "frame/module_entry.h"

namespace {

constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;

__attribute__((constructor)) void OnLibraryLoad() {
    DllMain(nullptr, kProcessAttach, nullptr);
}

__attribute__((destructor)) void OnLibraryUnload() {
    DllMain(nullptr, kProcessDetach, nullptr);
}

}  // namespace
