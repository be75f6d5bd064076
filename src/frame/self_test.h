// The power-up self-test run: the family tests in a fixed order, stopping at the first failure.
#pragma once

#include <span>

namespace quillon::frame {

struct SelfTestStep {
    const char* name;
    int (*run)();  // 1 passed, 0 failed
};

// The module's tests in the order SelfTest runs them. The cheap known-answer tests come before
// the RSA key-pair test, the slowest, so a broken primitive is reported before any key is
// generated.
extern const SelfTestStep kPowerUpSelfTests[7];

// The code-integrity step: 1 when the module's code is as it was on the first attach.
[[nodiscard]] int CodeIntegritySelfTest();

// Runs the steps in order; 0 at the first that does not pass (the rest do not run), 1 when all
// pass. Keeps no state: every run starts afresh and changes nothing for other callers.
[[nodiscard]] int RunSelfTests(std::span<const SelfTestStep> steps);

}  // namespace quillon::frame
