// The private key of a raw RSA key file in the form the unwrap computes with: the components
// read once, the exponents of the two halves and the Montgomery forms derived from them once,
// and all kept with the file's cache entry until it is removed.
#pragma once

#include "bignum/bignum.h"
#include "bignum/rsa_blinding.h"
#include "keyagree/raw_rsa_key_file.h"

namespace quillon::keyagree {

// Primes are kept q first: the unwrap recombines by Garner's formula with u = p^-1 mod q.
// Secret numbers are wiped when the last reference goes.
struct RawRsaPrivateKey final : KeyFileDerived {
    bignum::Mpi n;
    bignum::Mpi e;
    bignum::MpiMontgomery modulusForm;  // odd n
    bignum::Mpi primes[2];              // q, p
    bignum::MpiMontgomery forms[2];     // odd primes
    bignum::Mpi exponents[2];           // d mod (q - 1), d mod (p - 1)
    bignum::Mpi coefficient;            // u
    // Odd n; renewed by every unwrap, from any thread.
    mutable bignum::RsaBlinding blinding;
    // False when a prime is below 2: no half can be computed, and every unwrap fails.
    bool usable = false;
};

// A KeyFileDeriveFunction: reads n, e, d, p, q and u with the tag and derives the rest, in
// constant time on the secrets (OpenSSL's constant-time division and Montgomery setup).
// kNotFound at the first missing component, kOutOfMemory when a number could not be made.
[[nodiscard]] KeyFileStatus DeriveRawRsaPrivateKey(const KeyFileLines& lines, const char* tag,
                                                   KeyFileDerived*& derived);

}  // namespace quillon::keyagree
