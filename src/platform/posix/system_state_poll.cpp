// The system-state poll on Linux. There is no window system, so each Windows query is replaced
// by the nearest value of the process, its session and terminal, and the machine, with the
// same length:
//   3  GetForegroundWindow      parent process id
//   4  GetCapture               process group id
//   5  GetClipboardOwner        session id
//   6  GetClipboardViewer       foreground process group of the terminal on stdin (or -1)
//   7  GetCurrentProcess        low 32 bits of an address on this thread's stack
//   8  GetCurrentProcessId      process id
//   9  GetCurrentThread         low 32 bits of the pthread handle
//   10 GetCurrentThreadId       kernel thread id
//   11 GetDesktopWindow         real user id
//   12 GetFocus                 real group id
//   13 GetInputState            1 when input is waiting on stdin, else 0
//   14 GetMessagePos            low 32 bits of the process CPU time in nanoseconds
//   15 GetMessageTime           monotonic clock in milliseconds
//   16 GetOpenClipboardWindow   inode number of stdin
//   17 GetProcessHeap           low 32 bits of the program break
//   18 GetProcessWindowStation  device number of the terminal on stdin
//   19 GetQueueStatus           the set of pending signals (low 32 bits)
//   20 GetCaretPos              terminal window size (struct winsize, 8 bytes)
//   21 GetCursorPos             thread CPU time in nanoseconds
//   22 GlobalMemoryStatus       total, free, shared and buffer RAM (4 x 64 bits)
//   23 GetStartupInfoA          the first 68 bytes of the process's resource usage
//   24 QueryPerformanceCounter  raw monotonic clock in nanoseconds
//   25 _time64                  calendar time in seconds
// As on Windows, items 20, 21, 24 and 25 share one zeroed 8-byte buffer and no result is
// checked: a failing call contributes what the buffer held before.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/entropy.h"
#include "platform/posix/poll_values.h"

namespace quillon::platform {
namespace {

using posix::ClockNanoseconds;
using posix::Feed4;
using posix::Low32;
using posix::PendingSignals;

std::uint32_t InputWaiting() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0 ? 1 : 0;
}

struct StdinFile {
    struct stat info {};
    StdinFile() { fstat(STDIN_FILENO, &info); }
};

}  // namespace

void PollSystemState(PollSink sink, void* context) {
    const StdinFile stdinFile;
    int stackMarker = 0;
    Feed4(sink, context, static_cast<std::uint32_t>(getppid()));
    Feed4(sink, context, static_cast<std::uint32_t>(getpgrp()));
    Feed4(sink, context, static_cast<std::uint32_t>(getsid(0)));
    Feed4(sink, context, static_cast<std::uint32_t>(tcgetpgrp(STDIN_FILENO)));
    Feed4(sink, context, Low32(reinterpret_cast<std::uintptr_t>(&stackMarker)));
    Feed4(sink, context, static_cast<std::uint32_t>(getpid()));
    Feed4(sink, context, Low32(static_cast<std::uint64_t>(pthread_self())));
    Feed4(sink, context, static_cast<std::uint32_t>(gettid()));
    Feed4(sink, context, static_cast<std::uint32_t>(getuid()));
    Feed4(sink, context, static_cast<std::uint32_t>(getgid()));
    Feed4(sink, context, InputWaiting());
    Feed4(sink, context, Low32(ClockNanoseconds(CLOCK_PROCESS_CPUTIME_ID)));
    Feed4(sink, context, Low32(ClockNanoseconds(CLOCK_MONOTONIC) / 1000000u));
    Feed4(sink, context, Low32(stdinFile.info.st_ino));
    Feed4(sink, context, Low32(reinterpret_cast<std::uintptr_t>(sbrk(0))));
    Feed4(sink, context, Low32(stdinFile.info.st_rdev));
    Feed4(sink, context, PendingSignals());

    std::uint8_t shared[8] = {};
    static_assert(sizeof(winsize) == sizeof shared);
    ioctl(STDIN_FILENO, TIOCGWINSZ, shared);
    sink(context, shared, 8);
    const std::uint64_t threadTime = ClockNanoseconds(CLOCK_THREAD_CPUTIME_ID);
    std::memcpy(shared, &threadTime, 8);
    sink(context, shared, 8);

    struct sysinfo system {};
    sysinfo(&system);
    const std::uint64_t memory[4] = {system.totalram, system.freeram, system.sharedram,
                                     system.bufferram};
    sink(context, memory, 32);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    static_assert(sizeof usage >= 68);
    sink(context, &usage, 68);

    const std::uint64_t counter = ClockNanoseconds(CLOCK_MONOTONIC_RAW);
    std::memcpy(shared, &counter, 8);
    sink(context, shared, 8);
    const std::int64_t calendar = static_cast<std::int64_t>(std::time(nullptr));
    std::memcpy(shared, &calendar, 8);
    sink(context, shared, 8);
}

}  // namespace quillon::platform
