// The module's executable code on Windows: the executable section of the PE image that holds
// this very function (the DLL when loaded as one, the program when linked into a test program).
#include <windows.h>

#include <cstdint>

#include "platform/module.h"

namespace quillon::platform {

CodeRange ModuleCodeRange() {
    const auto anchor = reinterpret_cast<std::uintptr_t>(&ModuleCodeRange);
    HMODULE module = nullptr;
    // Without taking a reference: the module cannot unload while its own code runs.
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(anchor), &module)) {
        return {};
    }
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return {};
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if ((section->Characteristics & IMAGE_SCN_MEM_EXECUTE) == 0) continue;
        const std::uintptr_t start =
            reinterpret_cast<std::uintptr_t>(base) + section->VirtualAddress;
        const std::size_t size = section->Misc.VirtualSize;
        if (anchor >= start && anchor < start + size) {
            return {reinterpret_cast<const std::uint8_t*>(start), size};
        }
    }
    return {};
}

}  // namespace quillon::platform
