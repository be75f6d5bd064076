// Ordinals 11-16: MD5 and SHA-1 digest handles over toolkit digest objects. Create makes the
// object in the handle's block (AlgCreateIn, AlgSetInfo, AlgDigestInit with DefaultChooser);
// update and final hand over to AlgDigestUpdate / AlgDigestFinal; final always releases the
// handle. No status leaves these functions: a handle whose object could not be initialised is
// still returned, and the toolkit then refuses every operation on it (final writes nothing).
#include "digest/digest_handle.h"
#include "quillon.h"
#include "support/checked_alloc.h"
#include "toolkit/toolkit.h"

using namespace quillon;

namespace {

void CreateDigest(DigestHandle** handle, toolkit::InfoType kind) {
    auto* digest = support::NewUnzeroed<DigestHandle>();
    // Out of memory: the caller's variable keeps whatever it held.
    if (digest == nullptr) return;
    (void)toolkit::AlgCreateIn(digest->object.Receive(), &digest->storage);
    (void)toolkit::AlgSetInfo(digest->object, kind, nullptr);
    (void)toolkit::AlgDigestInit(digest->object, nullptr, toolkit::DefaultChooser, nullptr);
    *handle = digest;
}

void FinishDigest(uint8_t* out, DigestHandle** handle, uint32_t length) {
    if (handle == nullptr || *handle == nullptr) return;
    uint32_t produced = 0;
    (void)toolkit::AlgDigestFinal((*handle)->object, out, &produced, length, nullptr);
    support::Delete(handle);
}

}  // namespace

extern "C" QUILLON_API void QUILLON_CALL Md5Create(DigestHandle** handle) {
    if (handle != nullptr) CreateDigest(handle, toolkit::InfoMd5);
}

extern "C" QUILLON_API void QUILLON_CALL Sha1Create(DigestHandle** handle) {
    if (handle != nullptr) CreateDigest(handle, toolkit::InfoSha1);
}

extern "C" QUILLON_API void QUILLON_CALL DigestUpdate(DigestHandle** handle, const uint8_t* data,
                                                      uint32_t length) {
    if (handle == nullptr || *handle == nullptr) return;
    (void)toolkit::AlgDigestUpdate((*handle)->object, data, length, nullptr);
}

extern "C" QUILLON_API void QUILLON_CALL Md5Final(uint8_t* digest, DigestHandle** handle) {
    FinishDigest(digest, handle, 16);
}

extern "C" QUILLON_API void QUILLON_CALL Sha1Final(uint8_t* digest, DigestHandle** handle) {
    FinishDigest(digest, handle, 20);
}
