// The platform seam: the only interface through which the families reach the operating system.
// posix/ and win32/ implement it; nothing outside src/platform/ includes an OS header.
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

}  // namespace quillon::platform
