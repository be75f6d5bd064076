#pragma once

namespace quillon::cipher {

// Power-up test: AES-128 round trip of one block under a fixed key. 1 passed, 0 failed.
[[nodiscard]] int AesSelfTest();

}  // namespace quillon::cipher
