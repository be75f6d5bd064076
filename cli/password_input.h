// Passwords kept off the command line: the first line of a file or of standard input, typed
// without echo when standard input is a terminal. They are read with the system's own reads
// into wiped buffers, never through stdio.
#pragma once

#include "commands.h"

namespace quillon::cli {

// The first line of the file at path (standard input for "-"), without its line end (LF or
// CR LF); typed after prompt, without echo, when path is "-" and standard input is a terminal.
// False, with the reason on stderr, when it cannot be read.
[[nodiscard]] bool ReadPassword(const char* path, const char* prompt, SecretText& password);

}  // namespace quillon::cli
