// Passwords kept off the command line: the first line of a file or of standard input, typed
// without echo when standard input is a terminal.
#pragma once

#include <cstdio>
#include <string>

namespace quillon::cli {

// The first line of stream, without its line end (LF or CR LF). When stream is standard input
// and that is a terminal, prompt goes to stderr first and what is typed is not echoed. False on
// a read error.
[[nodiscard]] bool ReadPassword(std::FILE* stream, const char* prompt, std::string& password);

}  // namespace quillon::cli
