// DES and three-key triple-DES in CBC mode, in place, in constant time: no branch or memory
// address depends on the keys or the data. The round keys live on the stack for one call and
// are wiped before it returns. The engine that runs the rounds is chosen once, on first use:
// SSSE3 byte shuffles where CPUID reports them, plain integer code otherwise; both give the same
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::cipher {

// length bytes of data, worked in place; a partial last block is zero-padded and written whole
// on encryption (up to 7 bytes past length), read whole and written in part on decryption.
// iv (8 bytes) ends holding the last ciphertext block. Parity bits of the keys are ignored and
// weak keys accepted. key: 8 bytes for DES; 24 bytes K1 K2 K3 for triple-DES, which encrypts
// as E(K3, D(K2, E(K1, x))).
void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv);
void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv);

enum class DesEngineKind {
    kPortable,  // integer rotations, on every processor
    kShuffles,  // SSSE3 byte shuffles
};

// Whether this processor can run the engine.
[[nodiscard]] bool DesEngineAvailable(DesEngineKind kind);

// The engine that serves the modes above (chosen on first use if not yet chosen).
[[nodiscard]] DesEngineKind DesServingEngine();

// For tests, which run every DES test on each engine: from now on the engine serves every
// caller in the process. False, and nothing changes, when the processor cannot run it.
[[nodiscard]] bool DesServeWithEngine(DesEngineKind kind);

}  // namespace quillon::cipher
