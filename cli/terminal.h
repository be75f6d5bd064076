// What the command needs of the operating system's streams and terminal beyond standard C: one
// file per system (terminal_posix.cpp, terminal_win32.cpp).
#pragma once

#include <cstdio>

#include "commands.h"

namespace quillon::cli {

// The stream carries bytes unchanged (Windows would otherwise translate line ends).
void SetBinaryMode(std::FILE* stream);

// Standard input is a terminal (a console on Windows), where a person types.
[[nodiscard]] bool StandardInputIsTerminal();

// Shows prompt on stderr and reads one typed line from the terminal of standard input, without
// echo and without its line end, byte by byte with the system's reads (no stdio buffer holds
// it). The terminal's modes are saved first and put back exactly as they were afterwards, and
// also when a signal (Ctrl-C, a hang-up, a stop) arrives meanwhile. False on a read error.
[[nodiscard]] bool ReadTypedLine(const char* prompt, SecretText& line);

}  // namespace quillon::cli
