// Files the quillon command makes: whole or not at all, readable by their owner only (they hold
// protected credentials and private keys).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::cli {

// Writes bytes to a temporary file beside path and renames it to path, so path holds either
// its old content or all of the new; the file is made with mode 0600 (owner only). On failure
// the reason is on stderr, the temporary file is gone and path is as it was.
[[nodiscard]] bool WriteFileWhole(const char* path, std::span<const std::uint8_t> bytes);

// Appends bytes to path, creating it with mode 0600 when it does not exist. On failure the
// reason is on stderr.
[[nodiscard]] bool AppendToFile(const char* path, std::span<const std::uint8_t> bytes);

}  // namespace quillon::cli
