// Libraries loaded at run time: LoadLibraryA, GetProcAddress, FreeLibrary.
#include <windows.h>

#include "platform/dynamic_library.h"

namespace quillon::platform {

LibraryHandle LoadDynamicLibrary(const char* name) {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(name));
}

void* LibrarySymbol(LibraryHandle library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeDynamicLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

std::uint32_t LastSystemError() {
    return static_cast<std::uint32_t>(GetLastError());
}

}  // namespace quillon::platform
