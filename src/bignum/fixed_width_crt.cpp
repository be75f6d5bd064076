#include "bignum/fixed_width_crt.h"

#include <cstring>

#include "support/secure_wipe.h"

namespace quillon::bignum {
namespace {

// All-ones for 1, zero for 0.
constexpr std::uint32_t MaskOf(std::uint32_t bit) {
    return 0u - bit;
}

// x = x - m when keep is all-ones, else x unchanged; x has width limbs plus the top word
// xTop, and the subtraction always runs. Returns the borrow out of the top word.
std::uint32_t SubtractUnlessBorrow(std::uint32_t* x, std::uint32_t xTop, const std::uint32_t* m,
                                   std::size_t width, std::uint32_t* difference) {
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint64_t wide = std::uint64_t{x[i]} - m[i] - borrow;
        difference[i] = static_cast<std::uint32_t>(wide);
        borrow = static_cast<std::uint32_t>(wide >> 63);
    }
    borrow = static_cast<std::uint32_t>((std::uint64_t{xTop} - borrow) >> 63);
    // x >= m exactly when no borrow leaves the top word.
    const std::uint32_t keep = MaskOf(borrow ^ 1);
    for (std::size_t i = 0; i < width; ++i) x[i] = (difference[i] & keep) | (x[i] & ~keep);
    return borrow;
}

// x = x mod m for x below 2m (x has width limbs plus xTop).
void ReduceOnce(std::uint32_t* x, std::uint32_t xTop, const std::uint32_t* m, std::size_t width,
                std::uint32_t* difference) {
    (void)SubtractUnlessBorrow(x, xTop, m, width, difference);
}

// -m^-1 mod 2^32 for odd m0, by Newton's iteration (each step doubles the correct low bits).
std::uint32_t MontgomeryFactor(std::uint32_t m0) {
    std::uint32_t inverse = m0;  // right to 3 bits for any odd m0
    for (int i = 0; i < 4; ++i) inverse *= 2 - m0 * inverse;
    return 0u - inverse;
}

// out = a * b / 2^(32 width) mod m, for a and b below m (Montgomery's product, operand scanning).
// work holds width + 2 limbs.
void MontgomeryMultiply(std::uint32_t* out, const std::uint32_t* a, const std::uint32_t* b,
                        const std::uint32_t* m, std::uint32_t factor, std::size_t width,
                        std::uint32_t* work) {
    std::memset(work, 0, (width + 2) * sizeof *work);
    for (std::size_t i = 0; i < width; ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < width; ++j) {
            const std::uint64_t sum = work[j] + std::uint64_t{a[j]} * b[i] + carry;
            work[j] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        std::uint64_t top = work[width] + carry;
        work[width] = static_cast<std::uint32_t>(top);
        work[width + 1] = static_cast<std::uint32_t>(top >> 32);

        const std::uint32_t q = work[0] * factor;
        carry = (work[0] + std::uint64_t{q} * m[0]) >> 32;
        for (std::size_t j = 1; j < width; ++j) {
            const std::uint64_t sum = work[j] + std::uint64_t{q} * m[j] + carry;
            work[j - 1] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        top = work[width] + carry;
        work[width - 1] = static_cast<std::uint32_t>(top);
        work[width] = work[width + 1] + static_cast<std::uint32_t>(top >> 32);
        work[width + 1] = 0;
    }
    // The product is below 2m here.
    std::memcpy(out, work, width * sizeof *out);
    ReduceOnce(out, work[width], m, width, work);
}

}  // namespace

void FixedWidthCrtCombine(std::uint32_t* result, const std::uint32_t* first,
                          const std::uint32_t* second, const std::uint32_t* firstPrime,
                          const std::uint32_t* secondPrime, const std::uint32_t* scaledCoefficient,
                          std::size_t width, std::uint32_t* scratch) {
    std::uint32_t* difference = scratch;        // width
    std::uint32_t* h = scratch + width;         // width
    std::uint32_t* work = scratch + 2 * width;  // width + 2

    // h = (first - second mod firstPrime) mod firstPrime; second is below 2 firstPrime.
    std::memcpy(h, second, width * sizeof *h);
    ReduceOnce(h, 0, firstPrime, width, difference);
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint64_t wide = std::uint64_t{first[i]} - h[i] - borrow;
        h[i] = static_cast<std::uint32_t>(wide);
        borrow = static_cast<std::uint32_t>(wide >> 63);
    }
    const std::uint32_t addBack = MaskOf(borrow);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint64_t sum = std::uint64_t{h[i]} + (firstPrime[i] & addBack) + carry;
        h[i] = static_cast<std::uint32_t>(sum);
        carry = static_cast<std::uint32_t>(sum >> 32);
    }

    // The coefficient comes scaled by 2^(32 width): one Montgomery product gives
    // h * coefficient mod firstPrime.
    MontgomeryMultiply(h, h, scaledCoefficient, firstPrime, MontgomeryFactor(firstPrime[0]), width,
                       work);

    // result = second + h * secondPrime, below firstPrime * secondPrime: no reduction.
    std::memset(result, 0, 2 * width * sizeof *result);
    std::memcpy(result, second, width * sizeof *result);
    for (std::size_t i = 0; i < width; ++i) {
        std::uint64_t rowCarry = 0;
        for (std::size_t j = 0; j < width; ++j) {
            const std::uint64_t sum =
                result[i + j] + std::uint64_t{h[i]} * secondPrime[j] + rowCarry;
            result[i + j] = static_cast<std::uint32_t>(sum);
            rowCarry = sum >> 32;
        }
        result[i + width] = static_cast<std::uint32_t>(rowCarry);  // no row has reached it yet
    }
    support::SecureWipe(scratch, FixedWidthCrtScratchLimbs(width) * sizeof *scratch);
}

}  // namespace quillon::bignum
