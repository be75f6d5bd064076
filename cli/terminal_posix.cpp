// Streams and the terminal on POSIX systems: bytes are bytes, echo is a termios flag.
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "interruption.h"
#include "interruption_posix.h"
#include "terminal.h"

namespace quillon::cli {

void SetBinaryMode(std::FILE*) {}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool ReadTypedLine(const char* prompt, SecretText& line) {
    InstallInterruptionHandlers();
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        RestoreTerminalOnInterruption(&saved, &silent);
        // Before the prompt, so nothing typed after it shows.
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    line.clear();
    bool ok = true;
    for (char c;;) {
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0 || c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (quiet) {
        tcsetattr(STDIN_FILENO, TCSADRAIN, &saved);
        RestoreTerminalOnInterruption(nullptr, nullptr);
        std::fputs("\n", stderr);  // the Enter that was not echoed
    }
    return ok;
}

}  // namespace quillon::cli
