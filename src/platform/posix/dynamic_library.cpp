// Libraries loaded at run time through the dynamic linker. Names are taken as they are, so a
// Windows library name such as "advapi32.dll" finds nothing here and its users see it missing.
#include <dlfcn.h>

#include <cerrno>

#include "platform/dynamic_library.h"

namespace quillon::platform {

LibraryHandle LoadDynamicLibrary(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(LibraryHandle library, const char* name) {
    return library != nullptr ? dlsym(library, name) : nullptr;
}

void FreeDynamicLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

std::uint32_t LastSystemError() {
    return static_cast<std::uint32_t>(errno);
}

}  // namespace quillon::platform
