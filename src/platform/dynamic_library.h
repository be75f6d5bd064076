// Libraries loaded at run time by name (the token libraries of the certificate provider).
#pragma once

#include <cstdint>

namespace quillon::platform {

// A library loaded by name (LoadLibraryA / dlopen): null when it cannot be loaded. Every
// successful load is matched by one FreeDynamicLibrary.
using LibraryHandle = void*;
[[nodiscard]] LibraryHandle LoadDynamicLibrary(const char* name);
// The address of an exported function, null when the library lacks it.
[[nodiscard]] void* LibrarySymbol(LibraryHandle library, const char* name);
void FreeDynamicLibrary(LibraryHandle library);

// The calling thread's last system error (GetLastError, errno), read right after a failed call.
[[nodiscard]] std::uint32_t LastSystemError();

}  // namespace quillon::platform
