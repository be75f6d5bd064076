// Streams and the terminal on POSIX systems: bytes are bytes, echo is a termios flag.
#include <termios.h>
#include <unistd.h>

#include "terminal.h"

namespace quillon::cli {

void SetBinaryMode(std::FILE*) {}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool SetStandardInputEcho(bool on) {
    termios settings{};
    if (tcgetattr(STDIN_FILENO, &settings) != 0) return false;
    if (on) {
        settings.c_lflag |= ECHO;
    } else {
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    }
    return tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings) == 0;
}

}  // namespace quillon::cli
