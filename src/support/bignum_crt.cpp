#include "support/bignum_crt.h"

namespace quillon::support {

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

bool MpiCrtCombine(Mpi& result, const Mpi& first, const Mpi& second, const Mpi& firstPrime,
                   const Mpi& secondPrime, const Mpi& coefficient, MpiScratch& scratch) {
    // The difference may be negative; the reduction brings the product into [0, firstPrime).
    return MpiSub(result, first, second) && MpiMul(result, result, coefficient, scratch) &&
           MpiMod(result, result, firstPrime, scratch) &&
           MpiMul(result, result, secondPrime, scratch) && MpiAdd(result, result, second);
}

}  // namespace quillon::support
