#include "des/des_engine.h"

#include <atomic>

#include "platform/cpu_features.h"

namespace quillon::des {
namespace {

const ModeSet* ModesOf(EngineKind kind) {
#if QUILLON_X86
    if (kind == EngineKind::kShuffles) return &kShuffleModes;
#endif
    (void)kind;
    return &kPortableModes;
}

EngineKind FastestEngine() {
    return platform::ProcessorFeatures().ssse3 ? EngineKind::kShuffles : EngineKind::kPortable;
}

// Null until the first use chooses; racing first users store the same answer, and a test's
// choice made before the first use is kept.
constinit std::atomic<const ModeSet*> servingModes{nullptr};

}  // namespace

bool EngineAvailable(EngineKind kind) {
    switch (kind) {
        case EngineKind::kPortable:
            return true;
        case EngineKind::kShuffles:
            return QUILLON_X86 && platform::ProcessorFeatures().ssse3;
    }
    return false;
}

const ModeSet& ServingModes() {
    const ModeSet* modes = servingModes.load(std::memory_order_relaxed);
    if (modes != nullptr) return *modes;
    const ModeSet* chosen = ModesOf(FastestEngine());
    return servingModes.compare_exchange_strong(modes, chosen, std::memory_order_relaxed) ? *chosen
                                                                                          : *modes;
}

EngineKind ServingEngine() {
    const ModeSet* serving = &ServingModes();
    if (EngineAvailable(EngineKind::kShuffles) && ModesOf(EngineKind::kShuffles) == serving) {
        return EngineKind::kShuffles;
    }
    return EngineKind::kPortable;
}

bool ServeWithEngine(EngineKind kind) {
    if (!EngineAvailable(kind)) return false;
    servingModes.store(ModesOf(kind), std::memory_order_relaxed);
    return true;
}

}  // namespace quillon::des
