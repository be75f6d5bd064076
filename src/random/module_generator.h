// The module random generator: one process-wide toolkit random object of the FIPS 186-2 kind,
// reseeded from system state and a caller's value, with a seed ring, key slots and an
// auxiliary block that callers may set. One lock, created on first need, guards it.
#pragma once

#include <cstdint>

#include "toolkit/toolkit.h"

namespace quillon::random {

// The caller value of every reseed the module makes for itself.
inline constexpr std::uint32_t kDefaultSeedValue = 0xF0F0F0F0;

// A full reseed: the runtime's srand, the random object made if missing, the default keys
// installed, the entropy items fed to a SHA-1 and to the object, the digest into the seed ring
// and into the object. The status of the object's last seed update.
[[nodiscard]] toolkit::Status Reseed(std::uint32_t callerValue);

// length bytes into out (reseeding first if there is no random object): 0, 1 when nothing was
// generated (no object, length not positive, null out), else the toolkit's status.
[[nodiscard]] std::int32_t GenerateBytes(std::int32_t length, std::uint8_t* out);

// A reseed with the default value, then 15 random bits (0 when generation fails).
[[nodiscard]] std::int32_t Random15();

// A null pointer where bytes are to be copied makes the call do nothing.
void SetAuxBlock(std::uint32_t flag, const std::uint8_t* block);
void SetKeys(const std::uint8_t* keyA, const std::uint8_t* keyB);
// Writes data into the seed ring, only when the generator is keyed (and data is not null).
void AddSeed(const std::uint8_t* data, std::uint32_t length);
// Clears the seed ring and the keyed state; the random object is untouched.
void ResetSeedRing();

// A fresh toolkit random object (InfoRandomMultiStream) in holder, seeded with 80 bytes of the
// module generator after a reseed whose caller value is 32 timing-jitter bits. The caller owns
// it and destroys it with AlgDestroy. When the generator cannot produce the 80 bytes the new
// object is destroyed again (holder null): an unseeded object must never hand out "random"
// bytes.
void MakeSeededRandomObject(toolkit::AlgObject** holder);

// What the tests look at.
struct GeneratorView {
    std::uint8_t seedRing[8];
    std::uint32_t ringPosition;
    std::uint32_t keyed;
    bool hasRandomObject;
};
[[nodiscard]] GeneratorView InspectGenerator();

}  // namespace quillon::random
