// The records of the RSA kinds: the key forms KeyInfoRsaPublic and KeyInfoRsaPrivateCrt, and the
// parameter record of InfoRsaKeyGen. Numbers are unsigned big-endian Items without a sign byte.
#pragma once

#include <cstdint>

#include "toolkit/item.h"
#include "toolkit/status.h"

namespace quillon::toolkit {

// KeyInfoRsaPublic: {modulus, public exponent}.
struct RsaPublicKeyRecord {
    Item modulus;
    Item exponent;
};

// KeyInfoRsaPrivateCrt, two primes: exactly the values of a PKCS #1 RSAPrivateKey (p > q is not
// required; coefficient = q^-1 mod p).
struct RsaPrivateCrtRecord {
    Item modulus;
    Item publicExponent;
    Item privateExponent;
    std::uint32_t primeCount;  // 2
    Item primes[2];            // p, q
    Item primeExponents[2];    // d mod (p - 1), d mod (q - 1)
    Item coefficient;          // q^-1 mod p
};

// KeyInfoRsaPrivateMultiPrime, three or more primes: the values of a PKCS #1 RSAPrivateKey with
// otherPrimeInfos. Only stored (no raw method takes it); it reports its public half.
struct RsaPrivateMultiPrimeRecord {
    Item modulus;
    Item publicExponent;
    Item privateExponent;
    std::uint32_t primeCount;  // 3 or more
    Item* primes;              // primeCount: p, q, then the other primes in order
    Item* primeExponents;      // primeCount: d mod (prime - 1)
    Item* coefficients;        // primeCount - 1: q^-1 mod p, then each other prime's coefficient
};

// InfoRsaKeyGen: modulus length in bits and the public exponent.
struct RsaKeyGenParams {
    std::uint32_t modulusBits;
    Item publicExponent;
};

// The largest modulus the RSA methods take.
inline constexpr std::uint32_t kRsaMaxModulusBits = 4096;
inline constexpr std::uint32_t kRsaMaxModulusBytes = kRsaMaxModulusBits / 8;

// What one generation produces: the private key record (and with it the public key {modulus,
// public exponent}), its numbers in storage. Wiped by its owner after use.
struct RsaGeneratedKey {
    RsaPrivateCrtRecord key;
    std::uint8_t storage[3 * kRsaMaxModulusBytes + 5 * (kRsaMaxModulusBytes / 2 + 1)];
};

}  // namespace quillon::toolkit
