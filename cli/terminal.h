// What the command needs of the operating system's streams and terminal beyond standard C: one
// file per system (terminal_posix.cpp, terminal_win32.cpp).
#pragma once

#include <cstdio>

namespace quillon::cli {

// The stream carries bytes unchanged (Windows would otherwise translate line ends).
void SetBinaryMode(std::FILE* stream);

// Standard input is a terminal (a console on Windows), where a person types.
[[nodiscard]] bool StandardInputIsTerminal();

// Turns the terminal's echo of what is typed off or back on; false when it cannot.
bool SetStandardInputEcho(bool on);

}  // namespace quillon::cli
