// The process state of the certificate provider's seed on Linux. The Windows items have no
// direct counterpart here, so each is replaced by the nearest value with the same length:
//   start-up information (68)   the auxiliary vector the kernel handed the process at start:
//                               program headers, entry, interpreter base, vDSO, file name,
//                               random-bytes and platform addresses, hardware capabilities (8
//                               bytes each), clock ticks per second (4)
//   process, thread identifier  getpid, gettid
//   creation time               the start time from /proc, 100-ns units since boot
//   exit time                   0, as Windows reports for a thread or process still running
//   kernel, user time           getrusage of the thread or process, 100-ns units
// The seed refresh values follow the Windows items the same way (see PollSeedRefresh below).
// Unlike Windows, the tool-help functions never exist here.
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/entropy.h"
#include "platform/posix/poll_values.h"
#include "platform/timing.h"

namespace quillon::platform {
namespace {

using posix::ClockNanoseconds;
using posix::Feed4;
using posix::Low32;

constexpr std::uint64_t kHundredNanosecondsPerSecond = 10000000u;

std::uint64_t Hundreds(const timeval& time) {
    return static_cast<std::uint64_t>(time.tv_sec) * kHundredNanosecondsPerSecond +
           static_cast<std::uint64_t>(time.tv_usec) * 10u;
}

// Field 22 of a /proc stat file, the start time in clock ticks since boot, in 100-ns units; 0
// when it cannot be read.
std::uint64_t StartTime(const char* statPath) {
    const int fd = open(statPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[1024];
    const ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
    if (length <= 0) return 0;
    text[length] = '\0';
    // The command name (field 2) may hold anything, so counting starts after its last ')'.
    const char* field = std::strrchr(text, ')');
    if (field == nullptr) return 0;
    unsigned long long ticks = 0;
    if (std::sscanf(field + 1,
                    " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d "
                    "%*d %*d %*d %llu",
                    &ticks) != 1) {
        return 0;
    }
    const long perSecond = sysconf(_SC_CLK_TCK);
    return perSecond > 0 ? ticks * (kHundredNanosecondsPerSecond / perSecond) : 0;
}

// Creation, exit, kernel and user time, as GetProcessTimes and GetThreadTimes lay them out.
void FeedTimes(PollSink sink, void* context, const char* statPath, int who) {
    rusage usage{};
    getrusage(who, &usage);
    const std::uint64_t times[4] = {StartTime(statPath), 0, Hundreds(usage.ru_stime),
                                    Hundreds(usage.ru_utime)};
    sink(context, times, sizeof times);
}

void FeedProcessTimes(PollSink sink, void* context) {
    FeedTimes(sink, context, "/proc/self/stat", RUSAGE_SELF);
}

void FeedThreadTimes(PollSink sink, void* context) {
    FeedTimes(sink, context, "/proc/thread-self/stat", RUSAGE_THREAD);
}

}  // namespace

void PollProcessState(PollSink sink, void* context) {
    std::uint8_t startup[68] = {};
    const unsigned long kinds[8] = {AT_PHDR,   AT_ENTRY,  AT_BASE,     AT_SYSINFO_EHDR,
                                    AT_EXECFN, AT_RANDOM, AT_PLATFORM, AT_HWCAP};
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t value = getauxval(kinds[i]);
        std::memcpy(startup + 8 * i, &value, 8);
    }
    const std::uint32_t ticks = Low32(getauxval(AT_CLKTCK));
    std::memcpy(startup + 64, &ticks, 4);
    sink(context, startup, sizeof startup);

    Feed4(sink, context, static_cast<std::uint32_t>(getpid()));
    Feed4(sink, context, static_cast<std::uint32_t>(gettid()));
    FeedThreadTimes(sink, context);
    FeedProcessTimes(sink, context);
}

bool PollToolHelpSnapshot(PollSink, void*) {
    return false;
}

// The refresh values, each replaced like the system-state poll replaces its Windows queries:
// active window = parent process id, capture = process group, caret position = terminal window
// size, clipboard owner = session id, clipboard viewer = foreground process group of the
// terminal on stdin, cursor position = thread CPU time, focus = real group id, local time = the
// broken-down local time as eight 16-bit fields (year, month, weekday, day, hour, minute,
// second, millisecond), message position = process CPU time, message time = monotonic clock in
// milliseconds, open clipboard window = inode of stdin, queue status = pending signals, tick
// count, performance counter = raw monotonic clock, memory status = total, free, shared and
// buffer RAM, working set size = peak resident set and minor faults.
void PollSeedRefresh(PollSink sink, void* context) {
    Feed4(sink, context, static_cast<std::uint32_t>(getppid()));
    Feed4(sink, context, static_cast<std::uint32_t>(getpgrp()));
    std::uint8_t window[8] = {};
    static_assert(sizeof(winsize) == sizeof window);
    ioctl(STDIN_FILENO, TIOCGWINSZ, window);
    sink(context, window, sizeof window);
    Feed4(sink, context, static_cast<std::uint32_t>(getsid(0)));
    Feed4(sink, context, static_cast<std::uint32_t>(tcgetpgrp(STDIN_FILENO)));
    const std::uint64_t threadTime = ClockNanoseconds(CLOCK_THREAD_CPUTIME_ID);
    sink(context, &threadTime, 8);
    Feed4(sink, context, static_cast<std::uint32_t>(getgid()));

    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const std::uint16_t fields[8] = {static_cast<std::uint16_t>(local.tm_year + 1900),
                                     static_cast<std::uint16_t>(local.tm_mon + 1),
                                     static_cast<std::uint16_t>(local.tm_wday),
                                     static_cast<std::uint16_t>(local.tm_mday),
                                     static_cast<std::uint16_t>(local.tm_hour),
                                     static_cast<std::uint16_t>(local.tm_min),
                                     static_cast<std::uint16_t>(local.tm_sec),
                                     static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
    sink(context, fields, sizeof fields);

    Feed4(sink, context, Low32(ClockNanoseconds(CLOCK_PROCESS_CPUTIME_ID)));
    Feed4(sink, context, Low32(ClockNanoseconds(CLOCK_MONOTONIC) / 1000000u));
    struct stat input {};
    fstat(STDIN_FILENO, &input);
    Feed4(sink, context, Low32(input.st_ino));
    Feed4(sink, context, posix::PendingSignals());
    Feed4(sink, context, TickCount());
    const std::uint64_t counter = ClockNanoseconds(CLOCK_MONOTONIC_RAW);
    sink(context, &counter, 8);

    struct sysinfo system {};
    sysinfo(&system);
    const std::uint64_t memory[4] = {system.totalram, system.freeram, system.sharedram,
                                     system.bufferram};
    sink(context, memory, sizeof memory);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const std::uint32_t workingSet[2] = {Low32(static_cast<std::uint64_t>(usage.ru_maxrss)),
                                         Low32(static_cast<std::uint64_t>(usage.ru_minflt))};
    sink(context, workingSet, sizeof workingSet);

    FeedProcessTimes(sink, context);
    FeedThreadTimes(sink, context);
}

}  // namespace quillon::platform
