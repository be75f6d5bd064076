// The fuzzed bytes as a file the profile code can open by path: an in-memory file (memfd) per
// process, reached through /proc/self/fd, so an input costs no disk write.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quillon::fuzz {

inline const char* WriteProfileFile(const std::uint8_t* data, std::size_t size) {
    static int descriptor = -1;
    static char path[64];
    if (descriptor < 0) {
        descriptor = memfd_create("quillon-profile", 0);
        if (descriptor < 0) std::abort();
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", descriptor);
    }
    if (ftruncate(descriptor, 0) != 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n =
            pwrite(descriptor, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0) std::abort();
        written += static_cast<std::size_t>(n);
    }
    return path;
}

}  // namespace quillon::fuzz
