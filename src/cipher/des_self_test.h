#pragma once

namespace quillon::cipher {

// Power-up test: triple-DES CBC round trip of "etaonris" under a fixed key of three different
// thirds. 1 passed, 0 failed.
[[nodiscard]] int TripleDesSelfTest();

}  // namespace quillon::cipher
