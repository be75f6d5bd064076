// The system-state poll on Linux. There is no window system, so each Windows query is replaced
// by the nearest value of the process, its session and terminal, and the machine, with the
// same length:
//   3  GetForegroundWindow      parent process id                                    (kept)
//   4  GetCapture               process group id                                     (kept)
//   5  GetClipboardOwner        session id                                           (kept)
//   6  GetClipboardViewer       foreground process group of the terminal on stdin (or -1) (kept)
//   7  GetCurrentProcess        low 32 bits of an address on this thread's stack
//   8  GetCurrentProcessId      process id                                           (kept)
//   9  GetCurrentThread         low 32 bits of the pthread handle
//   10 GetCurrentThreadId       kernel thread id                               (kept per thread)
//   11 GetDesktopWindow         real user id                                         (kept)
//   12 GetFocus                 real group id                                        (kept)
//   13 GetInputState            1 when input is waiting on stdin, else 0             (kept)
//   14 GetMessagePos            low 32 bits of the cycle counter
//   15 GetMessageTime           monotonic clock in milliseconds
//   16 GetOpenClipboardWindow   inode number of stdin                                (kept)
//   17 GetProcessHeap           low 32 bits of the program break
//   18 GetProcessWindowStation  device number of the terminal on stdin              (kept)
//   19 GetQueueStatus           the set of pending signals (low 32 bits)             (kept)
//   20 GetCaretPos              terminal window size (struct winsize, 8 bytes)       (kept)
//   21 GetCursorPos             the cycle counter (8 bytes)
//   22 GlobalMemoryStatus       total, free, shared and buffer RAM (4 x 64 bits)     (kept)
//   23 GetStartupInfoA          the first 68 bytes of the process's resource usage   (kept)
//   24 QueryPerformanceCounter  raw monotonic clock in nanoseconds
//   25 _time64                  calendar time in seconds
// Every item marked "kept" costs a system call, a few microseconds each where system calls are
// trapped, and all of them together would cost a key pair more than its exponentiation. They
// change slowly, so they are read from the kernel into a snapshot that is taken again once it is
// kRefreshMilliseconds old (the thread id once per thread); the other items are read on every
// poll without a system call (the clocks through the vDSO). The reseed that runs the poll also
// mixes in fresh bytes of the kernel's random source, which is what keeps two reseeds apart.
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
#include <mutex>

#include "platform/entropy.h"
#include "platform/fine_clock.h"
#include "platform/posix/poll_values.h"

namespace quillon::platform {
namespace {

using posix::ClockNanoseconds;
using posix::Feed4;
using posix::Low32;
using posix::PendingSignals;

constexpr std::uint64_t kRefreshMilliseconds = 50;

std::uint32_t InputWaiting() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0 ? 1 : 0;
}

// The items that cost a system call, in their Windows order.
struct Snapshot {
    std::uint32_t parent, group, session, terminalGroup, process, user, realGroup, input, inode,
        terminal, signals;
    std::uint8_t window[8];
    std::uint64_t memory[4];
    std::uint8_t usage[68];
};

void Take(Snapshot& snapshot) {
    snapshot.parent = static_cast<std::uint32_t>(getppid());
    snapshot.group = static_cast<std::uint32_t>(getpgrp());
    snapshot.session = static_cast<std::uint32_t>(getsid(0));
    snapshot.terminalGroup = static_cast<std::uint32_t>(tcgetpgrp(STDIN_FILENO));
    snapshot.process = static_cast<std::uint32_t>(getpid());
    snapshot.user = static_cast<std::uint32_t>(getuid());
    snapshot.realGroup = static_cast<std::uint32_t>(getgid());
    snapshot.input = InputWaiting();
    struct stat stdinFile {};
    fstat(STDIN_FILENO, &stdinFile);
    snapshot.inode = Low32(stdinFile.st_ino);
    snapshot.terminal = Low32(stdinFile.st_rdev);
    snapshot.signals = PendingSignals();
    static_assert(sizeof(winsize) == sizeof snapshot.window);
    std::memset(snapshot.window, 0, sizeof snapshot.window);
    ioctl(STDIN_FILENO, TIOCGWINSZ, snapshot.window);
    struct sysinfo system {};
    sysinfo(&system);
    snapshot.memory[0] = system.totalram;
    snapshot.memory[1] = system.freeram;
    snapshot.memory[2] = system.sharedram;
    snapshot.memory[3] = system.bufferram;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    static_assert(sizeof usage >= sizeof snapshot.usage);
    std::memcpy(snapshot.usage, &usage, sizeof snapshot.usage);
}

constinit std::mutex snapshotLock;
constinit Snapshot snapshot{};
constinit std::uint64_t snapshotTakenAt = 0;  // monotonic milliseconds + 1; 0 before the first

// The snapshot, taken again when it is old; a copy, so that the poll feeds it without the lock.
Snapshot CurrentSnapshot(std::uint64_t nowMilliseconds) {
    const std::lock_guard<std::mutex> locked(snapshotLock);
    if (snapshotTakenAt == 0 || nowMilliseconds + 1 - snapshotTakenAt >= kRefreshMilliseconds) {
        Take(snapshot);
        snapshotTakenAt = nowMilliseconds + 1;
    }
    return snapshot;
}

std::uint32_t ThreadId() {
    thread_local std::uint32_t id = static_cast<std::uint32_t>(gettid());
    return id;
}

}  // namespace

void PollSystemState(PollSink sink, void* context) {
    const std::uint64_t nowMilliseconds = ClockNanoseconds(CLOCK_MONOTONIC) / 1000000u;
    const Snapshot kept = CurrentSnapshot(nowMilliseconds);
    int stackMarker = 0;
    Feed4(sink, context, kept.parent);
    Feed4(sink, context, kept.group);
    Feed4(sink, context, kept.session);
    Feed4(sink, context, kept.terminalGroup);
    Feed4(sink, context, Low32(reinterpret_cast<std::uintptr_t>(&stackMarker)));
    Feed4(sink, context, kept.process);
    Feed4(sink, context, Low32(static_cast<std::uint64_t>(pthread_self())));
    Feed4(sink, context, ThreadId());
    Feed4(sink, context, kept.user);
    Feed4(sink, context, kept.realGroup);
    Feed4(sink, context, kept.input);
    Feed4(sink, context, Low32(FineClockCount()));
    Feed4(sink, context, Low32(nowMilliseconds));
    Feed4(sink, context, kept.inode);
    Feed4(sink, context, Low32(reinterpret_cast<std::uintptr_t>(sbrk(0))));
    Feed4(sink, context, kept.terminal);
    Feed4(sink, context, kept.signals);

    std::uint8_t shared[8] = {};
    std::memcpy(shared, kept.window, 8);
    sink(context, shared, 8);
    const std::uint64_t cycles = FineClockCount();
    std::memcpy(shared, &cycles, 8);
    sink(context, shared, 8);
    sink(context, kept.memory, 32);
    sink(context, kept.usage, 68);

    const std::uint64_t counter = ClockNanoseconds(CLOCK_MONOTONIC_RAW);
    std::memcpy(shared, &counter, 8);
    sink(context, shared, 8);
    const std::int64_t calendar = static_cast<std::int64_t>(std::time(nullptr));
    std::memcpy(shared, &calendar, 8);
    sink(context, shared, 8);
}

}  // namespace quillon::platform
