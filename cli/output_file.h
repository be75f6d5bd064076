// Files the quillon command makes hold private keys and protected credentials, so they are
// written whole or not at all, readable by their owner only, and never through a link: a
// temporary file with a unique name is made beside OUT (exclusively, not following links, mode
// 0600 set on the descriptor), synced, renamed over OUT, and OUT's directory is synced. The
// temporary file is removed on a failure and when a signal ends the command. One file per
// system (output_file_posix.cpp, output_file_win32.cpp).
//
// OUT is refused, with the reason on stderr and nothing written, when it is a symbolic link
// (a reparse point on Windows) or not a regular file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "commands.h"

namespace quillon::cli {

// Makes bytes the whole content of path.
[[nodiscard]] bool WriteFileWhole(const char* path, std::span<const std::uint8_t> bytes);

// Makes the new content of path from its old one (empty when it does not exist yet), with an
// exclusive lock held from the read to the rename, so two updates of one file each see the
// other's result. update writes the new content into next, or says on stderr why not and
// returns false: then nothing is written. An existing path that group or others may read or
// write is refused too.
using FileUpdate =
    std::function<bool(std::span<const std::uint8_t> old, support::SecureBuffer& next)>;
[[nodiscard]] bool UpdateFileWhole(const char* path, const FileUpdate& update);

}  // namespace quillon::cli
