// The module entry and the module-wide state of the frame.
#pragma once

#include <cstdint>

#include "frame/code_integrity.h"
#include "platform/platform.h"

#if defined(_WIN32) && defined(__i386__)
#define QUILLON_STDCALL __stdcall
#else
#define QUILLON_STDCALL
#endif

namespace quillon::frame {

inline constexpr unsigned long kProcessAttach = 1;

struct ModuleState {
    std::uint32_t attachCount = 0;
    IntegrityReference integrity;
};

// The state of this loaded instance of the module.
[[nodiscard]] ModuleState& Module();

// What the entry does for one loader call: only the first process attach does any work, and
// that work is preparing the integrity reference over code. Loading never fails.
void HandleLoaderCall(ModuleState& state, unsigned long reason, platform::CodeRange code);

}  // namespace quillon::frame

// The loader's entry point (stdcall on Windows, as the loader requires). Returns TRUE (1).
extern "C" int QUILLON_STDCALL DllMain(void* instance, unsigned long reason, void* reserved);

namespace quillon::frame {

// The code-integrity check of the self-tests: true when the code is as it was on the first
// attach.
[[nodiscard]] bool ModuleCodeIntact();

}  // namespace quillon::frame
