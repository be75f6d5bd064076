// Ordinals 45-49: HMAC over the hash table's digest operations (digest/hmac.h). The context
// belongs to the caller.
#include "digest/hash_table.h"
#include "digest/hmac.h"
#include "quillon.h"

using namespace quillon;

extern "C" QUILLON_API const HashDescriptor* QUILLON_CALL HmacGetHash(uint32_t number) {
    return number < digest::kHashTableSlots ? &digest::HashTable[number] : nullptr;
}

extern "C" QUILLON_API void QUILLON_CALL HmacInit(HmacContext* context,
                                                  const HashDescriptor* descriptor,
                                                  const uint8_t* key, uint32_t keyLength) {
    if (context != nullptr) digest::HmacStart(*context, descriptor, key, keyLength);
}

extern "C" QUILLON_API void QUILLON_CALL HmacUpdate(HmacContext* context, const uint8_t* data,
                                                    uint32_t length) {
    if (context != nullptr) digest::HmacFeed(*context, data, length);
}

extern "C" QUILLON_API void QUILLON_CALL HmacFinal(uint8_t* out, HmacContext* context) {
    if (context != nullptr && out != nullptr) digest::HmacFinish(out, *context);
}

extern "C" QUILLON_API void QUILLON_CALL HmacReset(HmacContext* context) {
    if (context != nullptr) digest::HmacRestart(*context);
}
