// Streams and the console on Windows: the C streams start in text mode, echo is a console mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "terminal.h"

namespace quillon::cli {

void SetBinaryMode(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

bool StandardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

bool SetStandardInputEcho(bool on) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode)) return false;
    mode = on ? (mode | ENABLE_ECHO_INPUT) : (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    return SetConsoleMode(input, mode) != 0;
}

}  // namespace quillon::cli
