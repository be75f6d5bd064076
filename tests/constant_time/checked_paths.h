// Every path the constant-time check runs, each with its secrets marked. A path joins the list
// once it runs clean.
#pragma once

#include "constant_time/secret_marking.h"

namespace quillon::constant_time_check {

// The seeded random objects' generator: SHA-1 mixing of a secret seed, G, the reduction modulo
// q and the key update, over enough blocks that some need the reduction.
void CheckSeededGenerator();

// CAST5 in profiles: key schedule, CBC decryption, padding check and CBC-MAC verdict, with a
// secret key (the decrypted item is then secret too).
void CheckCast5();

// The RSA private-key recombination on fixed-width numbers, with secret primes, coefficient and
// halves.
void CheckCrtRecombination();

// DES and triple-DES CBC, each direction, on every engine the processor runs: key schedule,
// rounds and the partial last block, with secret keys, IV and data.
void CheckDes();

// The toolkit's DES method on every engine the processor runs: set-key and one block each
// direction, with a secret key and block.
void CheckDesMethod();

// Raw RSA key files: the hex digits of a masked component decoded and unmasked.
void CheckKeyFileDigits();

// AES on one engine: key setups (both directions, 128/192/256), ECB and CBC both ways, with
// secret key, plaintext and IV. Memcheck's CPUID shows AES instructions and SSSE3 but hides
// vector AES, so the vector-AES engine (whose key setup and CBC encryption are the AES
// instruction engine's) is not run here.
void CheckAesPortable();
void CheckAesVectorPermute();
void CheckAesInstructions();

inline constexpr CheckedPath kCheckedPaths[] = {
    {"seeded generator (reduction modulo q)", CheckSeededGenerator},
    {"CAST5 (schedule, CBC decryption, padding, MAC)", CheckCast5},
    {"RSA CRT recombination (fixed width)", CheckCrtRecombination},
    {"raw RSA key-file digits and mask", CheckKeyFileDigits},
    {"DES and triple-DES CBC (each engine)", CheckDes},
    {"AES, word arithmetic engine", CheckAesPortable},
    {"AES, byte-shuffle (SSSE3) engine", CheckAesVectorPermute},
    {"AES, AES-instruction engine", CheckAesInstructions},
    {"toolkit DES method (each engine)", CheckDesMethod},
};

}  // namespace quillon::constant_time_check
