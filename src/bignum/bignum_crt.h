// The Chinese-remainder form of an RSA private-key operation: the two half-size
// exponentiations, and the recombination of their results into the one result modulo the
// product of the primes.
#pragma once

#include "bignum/bignum.h"

namespace quillon::bignum {

// halves[i] = input^exponents[i] mod primes[i], constant-time (the exponents are secret), the
// input first reduced modulo each prime. With both forms prepared, the two run together on them
// as OpenSSL's own RSA runs them (interleaved where the processor allows); with either form
// empty (an even prime), one after the other. False when out of memory or a prime is not
// positive.
[[nodiscard]] bool MpiCrtHalves(Mpi (&halves)[2], const Mpi& input, const Mpi (&primes)[2],
                                const MpiMontgomery (&forms)[2], const Mpi (&exponents)[2],
                                MpiScratch& scratch);

// result = second + ((first - second) * coefficient mod firstPrime) * secondPrime, with
// coefficient = secondPrime^-1 mod firstPrime: the number that is first modulo firstPrime and
// second modulo secondPrime (Garner's formula). Secret halves give a secret result; result may
// be `first`, but no other argument. With the first prime's form and primes of one length (every
// key of use) it runs in constant time on fixed-width numbers; otherwise with general
// arithmetic. False when out of memory.
[[nodiscard]] bool MpiCrtCombine(Mpi& result, const Mpi& first, const Mpi& second,
                                 const Mpi& firstPrime, const Mpi& secondPrime,
                                 const MpiMontgomery& firstForm, const Mpi& coefficient,
                                 MpiScratch& scratch);

}  // namespace quillon::bignum
