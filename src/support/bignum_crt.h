// The Chinese-remainder recombination of an RSA private-key operation: the two half results
// made into the one result modulo the product of the primes.
#pragma once

#include "support/bignum.h"

namespace quillon::support {

// result = second + ((first - second) * coefficient mod firstPrime) * secondPrime, with
// coefficient = secondPrime^-1 mod firstPrime: the number that is first modulo firstPrime and
// second modulo secondPrime (Garner's formula). Secret halves give a secret result; result may
// be `first`, but no other argument. False when out of memory.
[[nodiscard]] bool MpiCrtCombine(Mpi& result, const Mpi& first, const Mpi& second,
                                 const Mpi& firstPrime, const Mpi& secondPrime,
                                 const Mpi& coefficient, MpiScratch& scratch);

}  // namespace quillon::support
