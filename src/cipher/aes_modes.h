// ECB and CBC over whole 16-byte blocks with one schedule, run by the engine that serves the
// module: the processor's vector AES or AES instructions where CPUID reports them, byte
// shuffles where it reports SSSE3, word arithmetic otherwise. None of them branches on or
// indexes memory by key or data. The choice is made once, on first use; schedules are the same
// bytes for every engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/aes_engine.h"

namespace quillon::cipher {

// blocks * 16 bytes; out may equal in. A schedule without a valid round count (an empty
// schedule) makes ECB write nothing.
void AesEcbEncrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks);
void AesEcbDecrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks);

// In place over blocks * 16 bytes of data; iv (16 bytes) ends holding the last ciphertext
// block, so a following call continues the chain. With an empty schedule no block changes and
// the IV moves on to the last block as the chain would.
void AesCbcEncrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv);
void AesCbcDecrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv);

enum class AesEngineKind {
    kPortable,            // byte arithmetic on machine words, on every processor
    kVectorPermute,       // SSSE3 byte shuffles over a tower-field S-box, blocks side by side
    kInstructions,        // AES instructions on 128-bit registers, eight blocks in flight
    kVectorInstructions,  // VAES on 256-bit registers, sixteen blocks in flight
                          // (seven and fourteen in the 32-bit build)
};

// Whether this processor can run the engine.
[[nodiscard]] bool AesEngineAvailable(AesEngineKind kind);

// The engine that serves the modes above (chosen on first use if not yet chosen).
[[nodiscard]] AesEngineKind AesServingEngine();

// For tests, which run every AES test on each engine: from now on the engine serves every
// caller in the process. False, and nothing changes, when the processor cannot run it.
[[nodiscard]] bool AesServeWithEngine(AesEngineKind kind);

}  // namespace quillon::cipher
