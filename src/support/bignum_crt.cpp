#include "support/bignum_crt.h"

namespace quillon::support {

bool MpiCrtCombine(Mpi& result, const Mpi& first, const Mpi& second, const Mpi& firstPrime,
                   const Mpi& secondPrime, const Mpi& coefficient, MpiScratch& scratch) {
    // The difference may be negative; the reduction brings the product into [0, firstPrime).
    return MpiSub(result, first, second) && MpiMul(result, result, coefficient, scratch) &&
           MpiMod(result, result, firstPrime, scratch) &&
           MpiMul(result, result, secondPrime, scratch) && MpiAdd(result, result, second);
}

}  // namespace quillon::support
