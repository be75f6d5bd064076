// The module entry and the module-wide state of the frame.
#pragma once

#include <cstdint>

#include "frame/code_integrity.h"
#include "platform/module.h"

namespace quillon::frame {

struct ModuleState {
    std::uint32_t attachCount = 0;
    IntegrityReference integrity;
};

// The state of this loaded instance of the module.
[[nodiscard]] ModuleState& Module();

// What the module's entry (platform::ModuleEntry, defined in module_entry.cpp) does for one
// loader call: only the first process attach does any work, and that work is preparing the
// integrity reference over code. Loading never fails.
void HandleLoaderCall(ModuleState& state, unsigned long reason, platform::CodeRange code);

// The code-integrity check of the self-tests: true when the code is as it was on the first
// attach.
[[nodiscard]] bool ModuleCodeIntact();

}  // namespace quillon::frame
