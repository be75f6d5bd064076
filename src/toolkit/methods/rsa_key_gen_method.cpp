// RSA key-pair generation (modulus 256 to 4096 bits; 2 primes at any size, 3 from 1024 bits,
// 4 from 2048 bits). Until the generator arrives the method answers "not supported": replace
// this file with the real method (its primitive table is its own design).
#include "toolkit/methods/methods.h"

namespace quillon::toolkit {

constinit const Method kRsaMultiPrimeKeyGenMethod = {InfoRsaMultiPrimeKeyGen, 0, nullptr,
                                                     &kUnsupportedPrimitives};

}  // namespace quillon::toolkit
