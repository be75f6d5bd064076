// The DES engine that serves the whole module (the DES exports and the toolkit's DES method),
// chosen once, on first use: SSSE3 byte shuffles where CPUID reports them, plain integer code
// otherwise. Every engine runs in constant time (no branch or memory address depends on the keys
// or the data) and gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "des/des_mode_set.h"

namespace quillon::des {

enum class EngineKind {
    kPortable,  // integer rotations, on every processor
    kShuffles,  // SSSE3 byte shuffles
};

// Whether this processor can run the engine.
[[nodiscard]] bool EngineAvailable(EngineKind kind);

// The modes of the serving engine (chosen on first use if not yet chosen).
[[nodiscard]] const ModeSet& ServingModes();

// The engine that serves (chosen on first use if not yet chosen).
[[nodiscard]] EngineKind ServingEngine();

// For tests, which run every DES test on each engine: from now on the engine serves every
// caller in the process. False, and nothing changes, when the processor cannot run it.
[[nodiscard]] bool ServeWithEngine(EngineKind kind);

}  // namespace quillon::des
