// The seed material of one reseed of the module random generator, item by item.
#pragma once

#include <cstdint>

#include "platform/entropy.h"

namespace quillon::random {

// Bytes of the operating system's random source mixed into every reseed after the system
// state, so that the generator never depends on guessable state alone.
inline constexpr std::uint32_t kOsRandomItemLength = 32;

// Feeds sink the items of a reseed in order: the 8 bytes of the seed ring, the caller's value
// (4 bytes, little-endian), the 23 system-state items of the platform, and kOsRandomItemLength
// bytes from the operating system's random source (left out if that source fails).
void PollEntropy(const std::uint8_t (&seedRing)[8], std::uint32_t callerValue,
                 platform::PollSink sink, void* context);

}  // namespace quillon::random
