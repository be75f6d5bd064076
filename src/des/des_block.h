// A DES block's way in and out of the rounds: the initial permutation and its inverse as five
// swaps of bit groups each (shifts and masks only), the halves held rotated left by one bit as
// the engines want them (des_tables.h).
#pragma once

#include <cstdint>

#include "des/des_tables.h"

namespace quillon::des {

struct Halves {
    std::uint32_t left;
    std::uint32_t right;
};

constexpr std::uint32_t RotateLeft(std::uint32_t value, int shift) {
    return (value << shift) | (value >> ((32 - shift) & 31));
}

// Swaps the bits of `a` selected by mask << shift with the bits of `b` selected by mask.
constexpr void SwapBits(std::uint32_t& a, std::uint32_t& b, int shift, std::uint32_t mask) {
    const std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// The block as a big-endian 64-bit word, first bit the most significant.
constexpr Halves InitialPermutation(std::uint64_t block) {
    std::uint32_t l = static_cast<std::uint32_t>(block >> 32),
                  r = static_cast<std::uint32_t>(block);
    SwapBits(l, r, 4, 0x0F0F0F0F);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(l, r, 1, 0x55555555);
    return {RotateLeft(l, 1), RotateLeft(r, 1)};
}

// The inverse: the same swaps in reverse order.
constexpr std::uint64_t FinalPermutation(Halves halves) {
    std::uint32_t l = RotateLeft(halves.left, 31), r = RotateLeft(halves.right, 31);
    SwapBits(l, r, 1, 0x55555555);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(l, r, 4, 0x0F0F0F0F);
    return (std::uint64_t{l} << 32) | r;
}

// Each input bit lands where FIPS 46-3's IP table sends it, and FP undoes IP.
constexpr bool PermutationsMatchTheTable() {
    for (int out = 0; out < 64; ++out) {
        const std::uint64_t in = std::uint64_t{1} << (64 - kIp[out]);
        const Halves halves = InitialPermutation(in);
        const std::uint64_t permuted =
            (std::uint64_t{RotateLeft(halves.left, 31)} << 32) | RotateLeft(halves.right, 31);
        if (permuted != std::uint64_t{1} << (63 - out)) return false;
        if (FinalPermutation(halves) != in) return false;
    }
    return true;
}
static_assert(PermutationsMatchTheTable());

}  // namespace quillon::des
