#include "bignum/bignum_crt.h"

#include <openssl/bn.h>

#include "bignum/fixed_width_crt.h"
#include "support/byte_order.h"
#include "support/secure_buffer.h"

namespace quillon::bignum {

bool MpiCrtHalves(Mpi (&halves)[2], const Mpi& input, const Mpi (&primes)[2],
                  const MpiMontgomery (&forms)[2], const Mpi (&exponents)[2], MpiScratch& scratch) {
    for (int i = 0; i < 2; ++i) {
        if (!MpiMod(halves[i], input, primes[i], scratch)) return false;
    }
    if (forms[0].empty() || forms[1].empty()) {
        for (int i = 0; i < 2; ++i) {
            if (!MpiPowm(halves[i], halves[i], exponents[i], primes[i], scratch)) return false;
        }
        return true;
    }
    return MpiPowmPair({halves[0], halves[0], exponents[0], primes[0], forms[0]},
                       {halves[1], halves[1], exponents[1], primes[1], forms[1]}, scratch);
}

namespace {

// Garner's formula with general arithmetic, for primes of different lengths (which no key of
// ours has): the difference may be negative; the reduction brings the product into
// [0, firstPrime).
bool GeneralCombine(Mpi& result, const Mpi& first, const Mpi& second, const Mpi& firstPrime,
                    const Mpi& secondPrime, const Mpi& coefficient, MpiScratch& scratch) {
    return MpiSub(result, first, second) && MpiMul(result, result, coefficient, scratch) &&
           MpiMod(result, result, firstPrime, scratch) &&
           MpiMul(result, result, secondPrime, scratch) && MpiAdd(result, result, second);
}

// The number as width little-endian 32-bit limbs (it fits: every caller's numbers are below a
// prime of that width). OpenSSL writes the bytes without a branch on the value.
bool ToLimbs(const Mpi& number, std::uint32_t* limbs, std::size_t width) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(limbs);
    if (BN_bn2lebinpad(number.get(), bytes, static_cast<int>(4 * width)) < 0) return false;
    for (std::size_t i = 0; i < width; ++i) limbs[i] = support::LoadLittleEndian32(bytes + 4 * i);
    return true;
}

}  // namespace

bool MpiCrtCombine(Mpi& result, const Mpi& first, const Mpi& second, const Mpi& firstPrime,
                   const Mpi& secondPrime, const MpiMontgomery& firstForm, const Mpi& coefficient,
                   MpiScratch& scratch) {
    // Lengths of the primes are the key's size, public. The width is that of OpenSSL's
    // Montgomery form of the first prime, whose factor the scaled coefficient carries.
    const unsigned bits = firstPrime.BitLength();
    constexpr unsigned kWordBits = 8 * BN_BYTES;
    const std::size_t width = (bits + kWordBits - 1) / kWordBits * (BN_BYTES / 4);
    if (firstForm.empty() || secondPrime.BitLength() != bits || width == 0 ||
        width > kCrtMaxLimbs) {
        return GeneralCombine(result, first, second, firstPrime, secondPrime, coefficient, scratch);
    }
    // coefficient * R mod firstPrime, by OpenSSL's constant-time reduction and Montgomery product.
    Mpi scaled = Mpi::Make(MpiKind::kSecret, bits);
    if (scaled.empty() || !MpiMod(scaled, coefficient, firstPrime, scratch) ||
        BN_to_montgomery(scaled.get(), scaled.get(), firstForm.get(), scratch.get()) == 0) {
        return false;
    }
    support::SecureBuffer limbs =
        support::SecureBuffer::Zeroed(4 * (7 * width + FixedWidthCrtScratchLimbs(width)));
    if (!limbs.ok()) return false;
    auto* words = reinterpret_cast<std::uint32_t*>(limbs.data());
    std::uint32_t* firstLimbs = words;
    std::uint32_t* secondLimbs = words + width;
    std::uint32_t* firstPrimeLimbs = words + 2 * width;
    std::uint32_t* secondPrimeLimbs = words + 3 * width;
    std::uint32_t* scaledLimbs = words + 4 * width;
    std::uint32_t* resultLimbs = words + 5 * width;  // 2 width
    std::uint32_t* work = words + 7 * width;
    if (!ToLimbs(first, firstLimbs, width) || !ToLimbs(second, secondLimbs, width) ||
        !ToLimbs(firstPrime, firstPrimeLimbs, width) ||
        !ToLimbs(secondPrime, secondPrimeLimbs, width) || !ToLimbs(scaled, scaledLimbs, width)) {
        return false;
    }
    FixedWidthCrtCombine(resultLimbs, firstLimbs, secondLimbs, firstPrimeLimbs, secondPrimeLimbs,
                         scaledLimbs, width, work);
    auto* resultBytes = reinterpret_cast<std::uint8_t*>(resultLimbs);
    for (std::size_t i = 0; i < 2 * width; ++i) {
        support::StoreLittleEndian32(resultBytes + 4 * i, resultLimbs[i]);
    }
    return BN_lebin2bn(resultBytes, static_cast<int>(8 * width), result.get()) != nullptr;
}

}  // namespace quillon::bignum
