// The engine that serves a family of modes (AES, DES): chosen on first use from what the
// processor runs, and changeable by tests, which run every test on each engine. Racing first users
// store the same answer, and a test's choice made before the first use is kept. No guard, no lock:
// one atomic pointer, constant-initialised.
#pragma once

#include <atomic>

namespace quillon::support {

template <typename Modes>
class EngineChoice {
  public:
    constexpr EngineChoice() = default;
    EngineChoice(const EngineChoice&) = delete;
    EngineChoice& operator=(const EngineChoice&) = delete;

    // The serving modes; fastest() gives those of the fastest engine the processor runs.
    template <typename Fastest>
    [[nodiscard]] const Modes& Serving(Fastest fastest) {
        const Modes* modes = modes_.load(std::memory_order_relaxed);
        if (modes != nullptr) return *modes;
        const Modes* chosen = &fastest();
        return modes_.compare_exchange_strong(modes, chosen, std::memory_order_relaxed) ? *chosen
                                                                                        : *modes;
    }

    void Serve(const Modes& modes) { modes_.store(&modes, std::memory_order_relaxed); }

  private:
    std::atomic<const Modes*> modes_{nullptr};
};

}  // namespace quillon::support
