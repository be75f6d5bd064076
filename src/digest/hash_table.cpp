#include "digest/hash_table.h"

namespace quillon::digest {

constinit const HashDescriptor HashTable[kHashTableSlots] = {
    {0, nullptr, nullptr, nullptr},
    {16, Md5Create, DigestUpdate, Md5Final},
    {20, Sha1Create, DigestUpdate, Sha1Final},
    {0, nullptr, nullptr, nullptr},
};

}  // namespace quillon::digest
