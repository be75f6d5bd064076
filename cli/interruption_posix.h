// The state the POSIX signal handlers undo: the terminal modes to put back and the temporary
// file to remove. Each setter blocks the handled signals while it changes what they read.
#pragma once

#include <signal.h>
#include <termios.h>

namespace quillon::cli {

// From now on a handler puts saved back on the terminal of standard input; after a stop
// (SIGTSTP) and SIGCONT it sets quiet again. Null for either forgets them.
void RestoreTerminalOnInterruption(const termios* saved, const termios* quiet);

// From now on a handler removes name in the directory open as directory; name is copied (up to
// 63 characters). Null forgets it.
void RemoveFileOnInterruption(int directory, const char* name);

}  // namespace quillon::cli

namespace quillon::cli {

// Holds back the handled signals while it lives, so that making a file and naming it for removal
// happen as one step.
class HandledSignalsHeld {
  public:
    HandledSignalsHeld();
    ~HandledSignalsHeld();
    HandledSignalsHeld(const HandledSignalsHeld&) = delete;
    HandledSignalsHeld& operator=(const HandledSignalsHeld&) = delete;

  private:
    sigset_t before_;
};

}  // namespace quillon::cli
