// Small readings of the process and the machine that more than one poll of the POSIX platform
// feeds to the random generators.
#pragma once

#include <signal.h>

#include <cstdint>
#include <ctime>

#include "platform/entropy.h"

namespace quillon::platform::posix {

inline std::uint32_t Low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

inline std::uint64_t ClockNanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

// The set of signals pending for the thread, as a bit mask of signals 1 to 32.
inline std::uint32_t PendingSignals() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    std::uint32_t bits = 0;
    for (int signal = 1; signal <= 32; ++signal) {
        if (sigismember(&pending, signal) == 1) bits |= 1u << (signal - 1);
    }
    return bits;
}

inline void Feed4(PollSink sink, void* context, std::uint32_t value) {
    sink(context, &value, 4);
}

}  // namespace quillon::platform::posix
