// A one-time preparation that threads may race for: the first caller prepares, callers that
// arrive meanwhile wait until it has finished. Constant-initialised (no constructor at load) and
// without a lock object, so it suits module-wide state and works before anything is set up.
#pragma once

#include <atomic>

namespace quillon::support {

class Once {
  public:
    constexpr Once() = default;
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;

    // Runs prepare() (which returns true when it succeeded) unless a run has succeeded already.
    // A run that fails leaves nothing prepared: the next call, or a caller that was waiting for
    // it, runs prepare again. True when prepared, by this call or an earlier one.
    template <typename Prepare>
    [[nodiscard]] bool Run(Prepare&& prepare) {
        if (state_.load(std::memory_order_acquire) == kDone) return true;
        if (!Begin()) return true;
        const bool prepared = prepare();
        Finish(prepared);
        return prepared;
    }

    // True when a run has succeeded (and no Reset came after it).
    [[nodiscard]] bool Prepared() const { return state_.load(std::memory_order_acquire) == kDone; }

    // Back to unprepared, so that the next Run prepares again. Only while no other thread uses
    // what the once guards.
    void Reset() { state_.store(kFresh, std::memory_order_release); }

  private:
    static constexpr int kFresh = 0, kRunning = 1, kDone = 2;

    // True when this caller is to prepare; false when a run has succeeded (waited for if it was
    // under way).
    [[nodiscard]] bool Begin();
    void Finish(bool prepared);

    std::atomic<int> state_{kFresh};
};

}  // namespace quillon::support
