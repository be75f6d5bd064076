// RSA key-pair generation: random bytes become prime candidates of a fixed shape, a sieve over a
// window of 500 odd candidates and a four-base Fermat test find the primes, and the private key
// is built in Chinese-remainder form after a pairwise consistency test. The same random bytes
// always give the same key pair.
//
// The engine knows nothing of toolkit objects: the generation method feeds it the request, the
// random bytes of each attempt and a surrender poll, and stores what it returns. Results are
// method statuses, which the toolkit translates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "support/secure_buffer.h"
#include "toolkit/status.h"

namespace quillon::toolkit::methods {

inline constexpr std::uint32_t kRsaKeyGenMinBits = 256;
inline constexpr std::uint32_t kRsaKeyGenMaxBits = 4096;
inline constexpr std::uint32_t kRsaKeyGenMaxPrimes = 4;

struct RsaKeyGenParameters {
    std::uint32_t modulusBits;
    std::uint32_t primeCount;                      // 2; 3 from 1024 bits; 4 from 2048 bits
    std::span<const std::uint8_t> publicExponent;  // big-endian, leading zeros allowed
};

// Polled once per attempt; a nonzero answer cancels the generation.
struct RsaKeyGenSurrender {
    int (*poll)(void* context);
    void* context;
};

// Fills out with length random bytes: kOk, or the method status that ends the generation (and
// is returned as it is).
using RsaKeyGenRandomSource = MethodStatus (*)(void* context, std::uint8_t* out,
                                               std::uint32_t length);

// A generated key pair: the PKCS #1 values, unsigned big-endian without leading zero bytes, all
// in one block that is wiped when the key is released or generated again. With two primes,
// primes[0] = p > primes[1] = q and coefficients[0] = q^-1 mod p. The public key is
// {modulus, publicExponent}.
struct RsaKeyGenKey {
    std::span<const std::uint8_t> modulus;
    std::span<const std::uint8_t> publicExponent;
    std::span<const std::uint8_t> privateExponent;
    std::uint32_t primeCount = 0;
    std::span<const std::uint8_t> primes[kRsaKeyGenMaxPrimes];
    std::span<const std::uint8_t> primeExponents[kRsaKeyGenMaxPrimes];
    std::span<const std::uint8_t> coefficients[kRsaKeyGenMaxPrimes - 1];
    support::SecureBuffer storage;
};

// The parameter and exponent rules, in this order: kModulusLength, kPrimeCount, kExponentLength,
// kEvenExponent.
[[nodiscard]] MethodStatus RsaKeyGenCheck(const RsaKeyGenParameters& parameters);

// Random bytes one attempt draws: max(prime count x modulus bits, ((modulus bits + 1) / 8
// rounded down to a multiple of 4) + 4). A two-prime attempt reads only the start of them.
[[nodiscard]] std::uint32_t RsaKeyGenRandomLength(const RsaKeyGenParameters& parameters);

// One attempt from the given bytes (at least RsaKeyGenRandomLength of them). kRetry when they
// give no usable key; the key is written only on success.
[[nodiscard]] MethodStatus RsaKeyGenAttempt(const RsaKeyGenParameters& parameters,
                                            std::span<const std::uint8_t> random, RsaKeyGenKey& key,
                                            const RsaKeyGenSurrender* surrender);

// The whole generation: checks the parameters (before drawing anything), then draws
// RsaKeyGenRandomLength bytes per attempt and repeats attempts that end with kRetry, without
// limit. Three and four primes pass the check but are not generated (kNotSupported).
[[nodiscard]] MethodStatus RsaKeyGenGenerate(const RsaKeyGenParameters& parameters,
                                             RsaKeyGenRandomSource random, void* randomContext,
                                             RsaKeyGenKey& key,
                                             const RsaKeyGenSurrender* surrender);

}  // namespace quillon::toolkit::methods
