// The hash table through which HMAC and the self-tests reach MD5 and SHA-1: four descriptors
// indexed by the IKE hash number (1 MD5, 2 SHA-1); slots 0 and 3 are empty.
#pragma once

#include "quillon.h"

namespace quillon::digest {

inline constexpr unsigned kHashTableSlots = 4;
extern const HashDescriptor HashTable[kHashTableSlots];

}  // namespace quillon::digest
