// SIGINT, SIGTERM and SIGHUP end the command, SIGTSTP stops it: each handler uses only
// async-signal-safe calls (tcsetattr, unlinkat, sigaction, raise, sigprocmask).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "interruption.h"
#include "interruption_posix.h"

namespace quillon::cli {
namespace {

constexpr int kEnding[] = {SIGINT, SIGTERM, SIGHUP};

// Written with the handled signals blocked, read only by the handlers.
struct Undo {
    bool terminal = false;
    termios saved{};
    termios quiet{};
    int directory = -1;
    char name[64] = {};
};
Undo undo;

sigset_t HandledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kEnding) sigaddset(&set, signal);
    sigaddset(&set, SIGTSTP);
    return set;
}

// Changes what the handlers read while none of them can run.
template <class Change>
void WithSignalsBlocked(Change change) {
    const HandledSignalsHeld held;
    change();
}

void Handle(int signal);

void Catch(int signal) {
    struct sigaction action {};
    action.sa_handler = Handle;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int other : kEnding) sigaddset(&action.sa_mask, other);
    sigaddset(&action.sa_mask, SIGTSTP);
    sigaction(signal, &action, nullptr);
}

// Runs the signal's default action from inside its handler: it is delivered once unblocked.
void RaiseDefault(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
}

void Handle(int signal) {
    const int error = errno;
    if (undo.terminal) tcsetattr(STDIN_FILENO, TCSANOW, &undo.saved);
    if (signal == SIGTSTP) {
        RaiseDefault(signal);  // stops here until SIGCONT
        Catch(signal);
        if (undo.terminal) tcsetattr(STDIN_FILENO, TCSANOW, &undo.quiet);
    } else {
        if (undo.directory >= 0) unlinkat(undo.directory, undo.name, 0);
        RaiseDefault(signal);  // ends the command
    }
    errno = error;
}

}  // namespace

HandledSignalsHeld::HandledSignalsHeld() {
    const sigset_t handled = HandledSignals();
    sigprocmask(SIG_BLOCK, &handled, &before_);
}

HandledSignalsHeld::~HandledSignalsHeld() {
    sigprocmask(SIG_SETMASK, &before_, nullptr);
}

void InstallInterruptionHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGTSTP}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        Catch(signal);
    }
    // A write past the file-size limit fails with EFBIG, and the temporary file is removed.
    ::signal(SIGXFSZ, SIG_IGN);
}

void RestoreTerminalOnInterruption(const termios* saved, const termios* quiet) {
    WithSignalsBlocked([&] {
        undo.terminal = saved != nullptr && quiet != nullptr;
        if (undo.terminal) {
            undo.saved = *saved;
            undo.quiet = *quiet;
        }
    });
}

void RemoveFileOnInterruption(int directory, const char* name) {
    WithSignalsBlocked([&] {
        undo.directory = name != nullptr ? directory : -1;
        std::memset(undo.name, 0, sizeof undo.name);
        if (name != nullptr) std::strncpy(undo.name, name, sizeof undo.name - 1);
    });
}

}  // namespace quillon::cli
