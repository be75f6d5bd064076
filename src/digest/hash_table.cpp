#include "digest/hash_table.h"

namespace quillon::digest {

// Callers of the 32-bit module find slot n at the table's start + 16 n and read the context's
// fields at fixed offsets.
static_assert(sizeof(void*) != 4 || sizeof(HashDescriptor) == 16);
static_assert(sizeof(void*) != 4 || sizeof(HmacContext) == 140);

constinit const HashDescriptor HashTable[kHashTableSlots] = {
    {0, nullptr, nullptr, nullptr},
    {16, Md5Create, DigestUpdate, Md5Final},
    {20, Sha1Create, DigestUpdate, Sha1Final},
    {0, nullptr, nullptr, nullptr},
};

}  // namespace quillon::digest
