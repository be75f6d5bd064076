// The Chinese-remainder recombination on fixed-width numbers, in constant time: every loop runs
// over the whole width and every choice is a mask, so neither a branch nor an address depends on
// the primes, the coefficient or the halves. Numbers are arrays of 32-bit limbs, least
// significant first, all of one public width; the arithmetic is plain 32x32->64-bit, the same on
// every target.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::bignum {

// The widest recombination, in limbs of each prime (the largest key-file component fits).
inline constexpr std::size_t kCrtMaxLimbs = 256;
// Limbs of scratch FixedWidthCrtCombine needs for a width.
[[nodiscard]] constexpr std::size_t FixedWidthCrtScratchLimbs(std::size_t width) {
    return 3 * width + 2;
}

// result (2 * width limbs) = second + ((first - second) * coefficient mod firstPrime) *
// secondPrime: the number below firstPrime * secondPrime that is first modulo firstPrime and
// second modulo secondPrime, for coefficient = secondPrime^-1 mod firstPrime, which comes in
// Montgomery form: scaledCoefficient = coefficient * 2^(32 width) mod firstPrime.
// Needs: firstPrime odd, first and scaledCoefficient below firstPrime, second below
// secondPrime, and secondPrime below 2 * firstPrime (primes of one bit length). scratch holds
// FixedWidthCrtScratchLimbs(width) limbs and is left wiped.
void FixedWidthCrtCombine(std::uint32_t* result, const std::uint32_t* first,
                          const std::uint32_t* second, const std::uint32_t* firstPrime,
                          const std::uint32_t* secondPrime, const std::uint32_t* scaledCoefficient,
                          std::size_t width, std::uint32_t* scratch);

}  // namespace quillon::bignum
