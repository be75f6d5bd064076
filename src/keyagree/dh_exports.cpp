// Diffie-Hellman exports: argument rules around the group records and the returned values.
#include "keyagree/dh_groups.h"
#include "quillon.h"
#include "random/module_generator.h"
#include "support/checked_alloc.h"
#include "support/handed_out_cell.h"
#include "support/owner.h"
#include "support/secure_wipe.h"
#include "toolkit/owners.h"
#include "toolkit/toolkit.h"

using namespace quillon;

// The holder behind a key-pair handle: the toolkit key-agreement object with the private value.
struct DhKeyPair {
    toolkit::OwnedAlg object;
};

namespace {

// Wipes the value's bytes, frees them and the record, and clears the variable.
void FreeValue(Item** value) {
    if (*value == nullptr) return;
    support::WipeAndRelease((*value)->data, (*value)->length);
    support::Release(*value);
    *value = nullptr;
}

using OwnedValue = support::Owner<Item, FreeValue>;

// A prime-length value record, or an empty owner when out of memory.
OwnedValue NewValue(uint32_t length) {
    OwnedValue value(support::New<Item>());
    if (value == nullptr) return value;
    value->data = support::NewZeroedArray<uint8_t>(length);
    if (value->data == nullptr) return OwnedValue();
    value->length = length;
    return value;
}

// Creates, sets and initialises the key-agreement object of a new pair.
toolkit::Status MakeKeyAgreeObject(DhKeyPair& pair, const DhKeyAgreeParams* params) {
    toolkit::Status status = toolkit::AlgCreate(pair.object.Receive());
    if (status != toolkit::kOk) return status;
    status = toolkit::AlgSetInfo(pair.object, toolkit::InfoDhKeyAgree, params);
    if (status != toolkit::kOk) return status;
    return toolkit::AlgDigestInit(pair.object, nullptr, toolkit::DefaultChooser, nullptr);
}

// MakeKeyAgreeObject's status as the exports give it: -1 when out of memory.
int32_t StartKeyPair(DhKeyPair& pair, const DhKeyAgreeParams* params) {
    const toolkit::Status status = MakeKeyAgreeObject(pair, params);
    return status == toolkit::kOutOfMemory ? -1 : toolkit::ToExportStatus(status);
}

}  // namespace

extern "C" QUILLON_API int32_t QUILLON_CALL DhGetGroup(const DhKeyAgreeParams** params,
                                                       uint32_t group) {
    if (params == nullptr) return keyagree::kDhNotPrepared;
    return keyagree::ModuleDhGroups().Find(group, params);
}

// A returned value may be a shared secret: its bytes are wiped before they are freed.
extern "C" QUILLON_API int32_t QUILLON_CALL DhFreeBuffer(Item** buffer) {
    if (buffer != nullptr) FreeValue(buffer);
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL DhGenerateKeyPair(Item** publicValue,
                                                              DhKeyPair** keyPair,
                                                              const DhKeyAgreeParams* params) {
    if (params == nullptr || publicValue == nullptr || keyPair == nullptr) return -1;
    OwnedValue value;
    const int32_t result = support::MakeCell(keyPair, [&](DhKeyPair& pair) {
        if (const int32_t started = StartKeyPair(pair, params); started != 0) return started;
        value = NewValue(params->primeLength);
        toolkit::OwnedAlg random;
        if (value != nullptr) random::MakeSeededRandomObject(random.Receive());
        // Only memory keeps a value or a random object from being made.
        if (random == nullptr) return -1;
        return toolkit::ToExportStatus(toolkit::AlgKeyAgreePhase1(
            pair.object, value->data, &value->length, params->primeLength, random, nullptr));
    });
    // Any failure past the argument check leaves both outputs null and nothing allocated.
    if (result != 0) {
        *publicValue = nullptr;
        *keyPair = nullptr;
        return result;
    }
    value.HandOut(publicValue);
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL DhComputeSecret(Item** secret, DhKeyPair* keyPair,
                                                            const Item* peerValue,
                                                            const DhKeyAgreeParams* params) {
    if (params == nullptr || secret == nullptr || keyPair == nullptr || peerValue == nullptr) {
        return -1;
    }
    OwnedValue value = NewValue(params->primeLength);
    if (value == nullptr) return -1;
    const toolkit::Status status = toolkit::AlgKeyAgreePhase2(
        keyPair->object, value->data, &value->length, params->primeLength, peerValue->data,
        peerValue->length, nullptr);
    if (status != toolkit::kOk) return toolkit::ToExportStatus(status);
    value.HandOut(secret);
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL DhDestroyKeyPair(DhKeyPair** keyPair) {
    if (keyPair != nullptr) support::Delete(keyPair);
    return 0;
}
