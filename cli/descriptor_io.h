// The system's unbuffered file calls as the command reads files: nothing passes through a stdio
// buffer, which would keep a copy of a key or a password. One file per system
// (descriptor_io_posix.cpp, descriptor_io_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "commands.h"

namespace quillon::cli {

inline constexpr int kStandardInputDescriptor = 0;

// A descriptor open for reading in binary mode, not inherited; -1 with errno when it cannot be.
[[nodiscard]] int OpenToRead(const char* path);

// Up to size bytes into into: the count, 0 at the end, -1 with errno on an error (an
// interrupted read is retried).
[[nodiscard]] long ReadSome(int file, std::uint8_t* into, std::size_t size);

void CloseDescriptor(int file);

// Reads what is left of file (at most kMaxFileSize bytes) into contents; on failure says why
// on stderr, naming path.
[[nodiscard]] bool ReadDescriptor(int file, const char* path, Bytes& contents);

}  // namespace quillon::cli
