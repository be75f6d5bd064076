// Diffie-Hellman exports: argument rules around the group records and the returned values.
#include "keyagree/dh_groups.h"
#include "quillon.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

using namespace quillon;

extern "C" QUILLON_API int32_t QUILLON_CALL DhGetGroup(const DhKeyAgreeParams** params,
                                                       uint32_t group) {
    if (params == nullptr) return keyagree::kDhNotPrepared;
    return keyagree::ModuleDhGroups().Find(group, params);
}

// A returned value may be a shared secret: its bytes are wiped before they are freed.
extern "C" QUILLON_API int32_t QUILLON_CALL DhFreeBuffer(Item** buffer) {
    if (buffer == nullptr || *buffer == nullptr) return 0;
    support::WipeAndRelease((*buffer)->data, (*buffer)->length);
    support::Release(*buffer);
    *buffer = nullptr;
    return 0;
}
