// Diffie-Hellman exports: argument rules around the group records and the returned values.
#include "keyagree/dh_groups.h"
#include "quillon.h"
#include "random/module_generator.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/toolkit.h"

using namespace quillon;

// The holder behind a key-pair handle: the toolkit key-agreement object with the private value.
struct DhKeyPair {
    toolkit::AlgObject* object;
};

namespace {

// A prime-length value record, or null when out of memory.
Item* NewValue(uint32_t length) {
    auto* value = static_cast<Item*>(support::Allocate(sizeof(Item)));
    if (value == nullptr) return nullptr;
    value->data = static_cast<uint8_t*>(support::AllocateZeroed(length));
    if (value->data == nullptr) {
        support::Release(value);
        return nullptr;
    }
    value->length = length;
    return value;
}

void FreeValue(Item*& value) {
    if (value == nullptr) return;
    support::WipeAndRelease(value->data, value->length);
    support::Release(value);
    value = nullptr;
}

void FreeKeyPair(DhKeyPair*& pair) {
    if (pair == nullptr) return;
    (void)toolkit::AlgDestroy(&pair->object);
    support::Release(pair);
    pair = nullptr;
}

// Creates, sets and initialises the key-agreement object of a new pair.
int32_t MakeKeyPair(const DhKeyAgreeParams* params, DhKeyPair** made) {
    auto* pair = static_cast<DhKeyPair*>(support::Allocate(sizeof(DhKeyPair)));
    if (pair == nullptr) return -1;
    pair->object = nullptr;
    toolkit::Status status = toolkit::AlgCreate(&pair->object);
    if (status == toolkit::kOk)
        status = toolkit::AlgSetInfo(pair->object, toolkit::InfoDhKeyAgree, params);
    if (status == toolkit::kOk) {
        status = toolkit::AlgDigestInit(pair->object, nullptr, toolkit::DefaultChooser, nullptr);
    }
    if (status != toolkit::kOk) {
        FreeKeyPair(pair);
        return status == toolkit::kOutOfMemory ? -1 : static_cast<int32_t>(status);
    }
    *made = pair;
    return 0;
}

}  // namespace

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

extern "C" QUILLON_API int32_t QUILLON_CALL DhGenerateKeyPair(Item** publicValue,
                                                              DhKeyPair** keyPair,
                                                              const DhKeyAgreeParams* params) {
    if (params == nullptr || publicValue == nullptr || keyPair == nullptr) return -1;
    DhKeyPair* pair = nullptr;
    Item* value = nullptr;
    int32_t result = MakeKeyPair(params, &pair);
    if (result == 0) {
        value = NewValue(params->primeLength);
        if (value == nullptr) result = -1;
    }
    if (result == 0) {
        toolkit::AlgObject* random = nullptr;
        random::MakeSeededRandomObject(&random);
        // Only memory keeps a random object from being made.
        result = -1;
        if (random != nullptr) {
            result = static_cast<int32_t>(toolkit::AlgKeyAgreePhase1(
                pair->object, value->data, &value->length, params->primeLength, random, nullptr));
            (void)toolkit::AlgDestroy(&random);
        }
    }
    // Any failure past the argument check leaves both outputs null and nothing allocated.
    if (result != 0) {
        FreeValue(value);
        FreeKeyPair(pair);
        *publicValue = nullptr;
        *keyPair = nullptr;
        return result;
    }
    *publicValue = value;
    *keyPair = pair;
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL DhComputeSecret(Item** secret, DhKeyPair* keyPair,
                                                            const Item* peerValue,
                                                            const DhKeyAgreeParams* params) {
    if (params == nullptr || secret == nullptr || keyPair == nullptr || peerValue == nullptr) {
        return -1;
    }
    Item* value = NewValue(params->primeLength);
    if (value == nullptr) return -1;
    const toolkit::Status status = toolkit::AlgKeyAgreePhase2(
        keyPair->object, value->data, &value->length, params->primeLength, peerValue->data,
        peerValue->length, nullptr);
    if (status != toolkit::kOk) {
        FreeValue(value);
        return static_cast<int32_t>(status);
    }
    *secret = value;
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL DhDestroyKeyPair(DhKeyPair** keyPair) {
    if (keyPair != nullptr) FreeKeyPair(*keyPair);
    return 0;
}
