// Certificate exports (ordinals 26, 27, 43, 44) and the RSA key of a certificate (28): handle
// cells around certificate objects of the module's certificate toolkit context.
#include <cstring>

#include "pubkey/key_handle.h"
#include "quillon.h"
#include "support/checked_alloc.h"
#include "support/handed_out_cell.h"
#include "support/owner.h"
#include "toolkit/cert/cert_list.h"
#include "toolkit/cert/cert_object.h"
#include "toolkit/cert/pkcs7_encoder.h"
#include "toolkit/provider/module_cert_context.h"

using namespace quillon;
using namespace quillon::toolkit::cert;
using quillon::toolkit::provider::ModuleCertContext;

// What the caller's CertHandle* points at: one certificate object, destroyed with the cell.
struct CertHandle {
    support::Owner<CertObject, CertObjectDestroy> object;
};

namespace {

// The statuses quillon.h promises to callers of these exports.
static_assert(ToExportStatus(kCertOutOfMemory) == CERT_E_NO_MEMORY &&
              ToExportStatus(kCertInconsistent) == CERT_E_INCONSISTENT &&
              ToExportStatus(kCertBadData) == CERT_E_DATA &&
              ToExportStatus(kCertLengthOutOfRange) == CERT_E_LENGTH &&
              ToExportStatus(kCertValidityOrder) == CERT_E_VALIDITY_ORDER &&
              ToExportStatus(kCertNotCertificate) == CERT_E_NOT_CERTIFICATE);

CertObject* ObjectOf(const CertHandle* cert) {
    return cert != nullptr ? cert->object.get() : nullptr;
}

// The key of RsaKeyFromCertificate: the certificate's SubjectPublicKeyInfo. The caller sees the
// certificate's own status (kCertNotCertificate for an empty handle) when there is none.
toolkit::Status GiveCertificateKey(toolkit::KeyObject* key, const void* cert) {
    const CertFields* fields = nullptr;
    const CertStatus status =
        CertGetFields(&fields, ObjectOf(static_cast<const CertHandle*>(cert)));
    if (status != kCertOk) return ToToolkitStatus(status);
    return toolkit::KeySetInfo(key, toolkit::KeyInfoRsaPublicBer, &fields->subjectPublicKeyInfo);
}

}  // namespace

extern "C" QUILLON_API int32_t QUILLON_CALL CertCreateFromDer(CertHandle** handle,
                                                              const uint8_t* der, uint32_t length) {
    if (handle == nullptr) return -1;
    *handle = nullptr;
    CertContext* context = ModuleCertContext();
    return support::MakeCell(handle, [&](CertHandle& cell) {
        if (const CertStatus status = CertObjectCreate(cell.object.Receive(), context);
            status != kCertOk) {
            return ToExportStatus(status);
        }
        return ToExportStatus(CertSetDer(cell.object, der, length));
    });
}

extern "C" QUILLON_API void QUILLON_CALL CertDestroy(CertHandle** handle) {
    if (handle != nullptr) support::Delete(handle);
}

extern "C" QUILLON_API int32_t QUILLON_CALL CertGetNames(const char** subject, const char** issuer,
                                                         CertHandle* cert) {
    const CertFields* fields = nullptr;
    if (const CertStatus status = CertGetFields(&fields, ObjectOf(cert)); status != kCertOk) {
        return ToExportStatus(status);
    }
    // Both pointers are written (null for a name that cannot be made into text); a caller that
    // trusts a 0 must find both, so the subject's failure counts as well as the issuer's.
    const char* text = nullptr;
    const CertStatus subjectStatus = NameGetString(&text, fields->subjectName);
    if (subject != nullptr) *subject = text;
    text = nullptr;
    const CertStatus issuerStatus = NameGetString(&text, fields->issuerName);
    if (issuer != nullptr) *issuer = text;
    return ToExportStatus(subjectStatus != kCertOk ? subjectStatus : issuerStatus);
}

extern "C" QUILLON_API int32_t QUILLON_CALL CertBuildPkcs7(uint8_t* out, uint32_t* capacity,
                                                           CertHandle* cert) {
    if (out == nullptr || capacity == nullptr) return -1;
    CertContext* context = ModuleCertContext();
    // A message that could not be made, or does not fit, is a failure, never an empty success.
    support::Owner<CertList, CertListDestroy> list;
    if (CertListCreate(list.Receive()) != kCertOk) return -1;
    if (CertListAdd(list, ObjectOf(cert)) != kCertOk) return -1;
    OwnedMessage data;
    if (CertEncodeDataMessage(context, nullptr, data.Receive()) != kCertOk) return -1;
    OwnedMessage message;
    if (CertEncodeSignedDataMessage(context, &data.get(), list, 0, message.Receive()) != kCertOk) {
        return -1;
    }
    if (message.get().length > *capacity) return -1;
    std::memcpy(out, message.get().data, message.get().length);
    *capacity = message.get().length;
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL RsaKeyFromCertificate(KeyHandle** handle,
                                                                  CertHandle* cert) {
    if (handle == nullptr) return -1;
    return pubkey::CreateKeyHandle(handle, GiveCertificateKey, cert);
}
