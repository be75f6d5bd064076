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

// Gives back everything the generator made (its random object and its lock) and forgets its
// state, as when the module was loaded: for the module's unload, when no thread uses it.
void ReleaseModuleGenerator();

// A fresh toolkit random object (InfoRandomMultiStream) in holder, which seeds itself when it is
// first asked for bytes: a reseed of the module generator (system poll and all) whose caller
// value is 32 processor-jitter bits, then 80 bytes of the module generator. The caller owns it and
// destroys it with AlgDestroy; an object never drawn from leaves the module generator untouched.
// When the 80 bytes cannot be produced, that draw fails (and the next one tries again): an unseeded
// object never hands out "random" bytes. Holder is null when the object could not be made.
void MakeSeededRandomObject(toolkit::AlgObject** holder);

// What the tests look at: the generator's state is private to it, so the copy is made here.
struct GeneratorView {
    std::uint8_t seedRing[8];
    std::uint32_t ringPosition;
    std::uint32_t keyed;
    bool hasRandomObject;
    std::uint32_t polls;  // system polls mixed into the generator since load
};
[[nodiscard]] GeneratorView InspectGeneratorForTesting();

}  // namespace quillon::random
