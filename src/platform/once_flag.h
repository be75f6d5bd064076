// The platform's one-time preparation: the first caller runs it, callers that arrive meanwhile
// sleep (they neither spin nor yield) until it has finished. A sleeping waiter costs nothing
// while a preparer of lower priority runs, which a yielding loop would not give it on Windows.
#pragma once

#include <atomic>
#include <cstdint>

namespace quillon::platform {

class OnceFlag {
  public:
    constexpr OnceFlag() = default;
    OnceFlag(const OnceFlag&) = delete;
    OnceFlag& operator=(const OnceFlag&) = delete;

    // Runs prepare(context) unless a run has succeeded. A run that returns false leaves nothing
    // prepared: a waiting caller, or the next one, runs it again. True when prepared.
    [[nodiscard]] bool Run(bool (*prepare)(void* context), void* context);
    // True when a run has succeeded (and no Reset came after it).
    [[nodiscard]] bool Done();
    // Back to unprepared. Only while no other thread uses the flag.
    void Reset();

  private:
    // The platform's own word: a state that waiters sleep on (POSIX), the INIT_ONCE (Windows).
    std::atomic<std::uintptr_t> word_{0};
};

}  // namespace quillon::platform
