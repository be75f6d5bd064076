// The mask of the private components of a raw RSA key file: in the component's 32-bit words
// (word 0 least significant), every word whose top bit is set is XORed with
// (its index + 1) ^ kComponentMask. The XOR keeps the top bit set, so one rule masks and unmasks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::keyagree {

inline constexpr std::uint32_t kComponentMask = 0x6C15E2B9;

[[nodiscard]] constexpr std::uint32_t KeyFileMaskWord(std::uint32_t word, std::size_t index) {
    // The words are secret: the top bit selects the XOR through a mask, not a branch.
    const std::uint32_t selected = 0u - (word >> 31);
    return word ^ ((static_cast<std::uint32_t>(index + 1) ^ kComponentMask) & selected);
}

}  // namespace quillon::keyagree
