// Comparisons that take the same time whatever the values compared: for MACs, padding and
// anything else whose first differing byte must not show through the time taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::support {

// All-ones when a == b, else zero; no branch on the values.
[[nodiscard]] constexpr std::uint32_t ConstantTimeEqualMask(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t difference = a ^ b;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(difference) - 1) >> 32);
}

// True when the two ranges hold the same bytes; reads every byte of both whatever they hold.
// Ranges of different sizes are never equal (the sizes themselves are not secret).
[[nodiscard]] bool ConstantTimeEqual(std::span<const std::uint8_t> a,
                                     std::span<const std::uint8_t> b);

// Says that size bytes computed from secrets are public by design (a verdict an export returns,
// a blinded number, a length) before code branches on them or indexes with them. Under
// Valgrind's memcheck, which the constant-time check runs the library under with the secrets
// marked undefined, the bytes become defined; elsewhere it does nothing. Every call says why its
// value is public.
void ConstantTimeDeclassify(const void* data, std::size_t size);

}  // namespace quillon::support
