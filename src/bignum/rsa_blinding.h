// Blinding of an RSA private-key operation: the input x goes in as x * r^e mod n for a random r
// kept with the key, and the result comes back times r^-1. What the private-key arithmetic sees
// is then independent of x, so no time it takes tells anything about the input or the result.
// After each use the pair is squared (r := r^2), so no two operations see the same r.
#pragma once

#include "bignum/bignum.h"

namespace quillon::bignum {

class RsaBlinding {
  public:
    RsaBlinding() = default;
    RsaBlinding(const RsaBlinding&) = delete;
    RsaBlinding& operator=(const RsaBlinding&) = delete;

    // Draws r from the operating system's random source and makes the pair for modulus n (odd,
    // with its form) and public exponent e. False when out of memory or the source failed.
    [[nodiscard]] bool Start(const Mpi& n, const Mpi& e, const MpiMontgomery& form);
    // Set once by Start, before the key is shared, and never changed after: read without a lock.
    [[nodiscard]] bool started() const { return started_; }

    // blinded = input * r^e mod n (input below n) and unblinder = r^-1 for this use, then the
    // pair moves on to the next r. Safe from any thread: one key may serve several at once.
    // The modulus and form are those given to Start. False when out of memory (the pair then
    // stays as it was).
    [[nodiscard]] bool Blind(Mpi& blinded, Mpi& unblinder, const Mpi& input, const Mpi& n,
                             const MpiMontgomery& form, MpiScratch& scratch);

    // result = blinded result * r^-1 mod n, with the unblinder Blind gave.
    [[nodiscard]] static bool Unblind(Mpi& result, const Mpi& blindedResult, const Mpi& unblinder,
                                      const MpiMontgomery& form, MpiScratch& scratch);

  private:
    // Both in Montgomery form, so that one Montgomery product applies either.
    Mpi blinder_;    // r^e * R mod n
    Mpi unblinder_;  // r^-1 * R mod n
    bool started_ = false;
};

}  // namespace quillon::bignum
