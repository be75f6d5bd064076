// Files the caller names.
#pragma once

#include <cstdio>

namespace quillon::platform {

// Opens path for reading in binary mode when it is a regular file; null when it cannot be opened
// or is anything else (a directory, device, FIFO or socket: reading one may block or never end).
// Opening does not wait for a FIFO's writer. The caller closes the stream with fclose.
[[nodiscard]] std::FILE* OpenRegularFile(const char* path);

}  // namespace quillon::platform
