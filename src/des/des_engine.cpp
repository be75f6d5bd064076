#include "des/des_engine.h"

#include "platform/cpu_features.h"
#include "support/engine_choice.h"

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

constinit support::EngineChoice<ModeSet> servingModes;

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
    return servingModes.Serving([]() -> const ModeSet& { return *ModesOf(FastestEngine()); });
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
    servingModes.Serve(*ModesOf(kind));
    return true;
}

}  // namespace quillon::des
