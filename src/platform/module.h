// The module as the loader sees it: where its code is mapped, and the entry the platform's
// loader hook calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::platform {

// A range of mapped bytes.
struct CodeRange {
    const std::uint8_t* begin = nullptr;
    std::size_t size = 0;
};

// The executable code of the module this library is linked into, as mapped: the code of the
// shared library or DLL when loaded as one, of the program when linked into a test program.
// An empty range when it cannot be found.
[[nodiscard]] CodeRange ModuleCodeRange();

// The reasons the Windows loader gives DllMain; the loader hooks of both targets pass them.
inline constexpr unsigned long kProcessDetach = 0;
inline constexpr unsigned long kProcessAttach = 1;

// The module's entry, called by the platform's loader hook (DllMain on Windows, the shared
// library's constructor and destructor elsewhere) for every loader call. The module's frame
// defines it; it returns 1 (TRUE) for every reason.
int ModuleEntry(unsigned long reason);

// The module's release of what it keeps for the process, called by the loader hook when the
// module is unloaded while the process goes on (FreeLibrary). The module's frame defines it.
// ELF cannot tell an unload from the process's end, where other threads may still be inside the
// module, so only the Windows hook calls it.
void ModuleRelease();

}  // namespace quillon::platform
