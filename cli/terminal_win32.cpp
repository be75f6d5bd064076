// Streams and the console on Windows: the C streams start in text mode, echo is a console mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "interruption.h"
#include "interruption_win32.h"
#include "terminal.h"

namespace quillon::cli {

void SetBinaryMode(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

bool StandardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

bool ReadTypedLine(const char* prompt, SecretText& line) {
    InstallInterruptionHandlers();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool quiet = GetConsoleMode(input, &saved) != 0;
    if (quiet) {
        RestoreConsoleOnInterruption(input, saved);
        // Before the prompt, so nothing typed after it shows.
        SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    line.clear();
    bool ok = true;
    for (char c;;) {
        DWORD got = 0;
        if (!ReadFile(input, &c, 1, &got, nullptr)) ok = false;
        if (!ok || got == 0 || c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (quiet) {
        SetConsoleMode(input, saved);
        RestoreConsoleOnInterruption(nullptr, 0);
        std::fputs("\n", stderr);  // the Enter that was not echoed
    }
    return ok;
}

}  // namespace quillon::cli
