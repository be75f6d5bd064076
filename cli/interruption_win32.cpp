// Ctrl-C, Ctrl-Break and the console's closing end the command: the handler puts the console
// mode back and removes the temporary file, then lets the default handler end the process.
#include <windows.h>

#include <string>

#include "interruption.h"
#include "interruption_win32.h"

namespace quillon::cli {
namespace {

SRWLOCK lock = SRWLOCK_INIT;
HANDLE consoleInput = nullptr;
DWORD consoleMode = 0;
std::wstring temporaryPath;

class Held {
  public:
    Held() { AcquireSRWLockExclusive(&lock); }
    ~Held() { ReleaseSRWLockExclusive(&lock); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

BOOL WINAPI Handle(DWORD) {
    const Held held;
    if (consoleInput != nullptr) SetConsoleMode(consoleInput, consoleMode);
    if (!temporaryPath.empty()) DeleteFileW(temporaryPath.c_str());
    return FALSE;  // the next handler, the system's own, ends the process
}

}  // namespace

void InstallInterruptionHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetConsoleCtrlHandler(Handle, TRUE);
}

void RestoreConsoleOnInterruption(HANDLE input, DWORD mode) {
    const Held held;
    consoleInput = input;
    consoleMode = mode;
}

void RemoveFileOnInterruption(const wchar_t* path) {
    const Held held;
    if (path != nullptr) {
        temporaryPath = path;
    } else {
        temporaryPath.clear();
    }
}

}  // namespace quillon::cli
