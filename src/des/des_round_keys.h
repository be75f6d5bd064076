// The round keys of one DES or triple-DES operation, in the order its rounds use them (the
// decryption schedules reversed when they are made), so that every engine runs the same
// straight sequence of 16 or 48 rounds. Key material: wiped by whoever made it.
#pragma once

#include <cstdint>

namespace quillon::des {

struct RoundKeys {
    // Each round key as eight byte lanes of six bits, laid out like a round's S-box inputs
    // (des_tables.h).
    std::uint64_t key[48];
    int stages;  // 1 for DES, 3 for triple-DES
};

// From 8 key bytes (DES) or 24 (triple-DES: K1, K2, K3; encryption is E(K3, D(K2, E(K1, x)))).
// Parity bits are ignored and weak keys accepted. Only shifts and masks of the key bits: no
// branch or address depends on them.
void PrepareKeys(const std::uint8_t* key, bool triple, bool encrypt, RoundKeys& keys);

}  // namespace quillon::des
