#include "toolkit/cert/cert_object.h"

#include <cstring>

#include "support/checked_alloc.h"
#include "toolkit/cert/cert_decoder.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

constinit const std::uint32_t kCertObjectMarker = 0x43455254u;  // "CERT"

namespace {

// Back to the empty state: no DER, no fields, empty names.
void Empty(CertObject* cert) {
    NameRelease(&cert->issuer);
    NameRelease(&cert->subject);
    support::Release(cert->der);
    cert->der = nullptr;
    cert->derLength = 0;
    cert->fields = {};
    NameInit(&cert->issuer);
    NameInit(&cert->subject);
}

// Decodes the object's DER, and its two names into the object.
CertStatus DecodeDer(CertObject* cert, DecodedCertificate& decoded) {
    CertStatus status = DecodeCertificate({cert->der, cert->derLength}, decoded);
    if (status != kCertOk) return status;
    status = NameDecode(&cert->issuer, decoded.issuer);
    if (status != kCertOk) return status;
    return NameDecode(&cert->subject, decoded.subject);
}

}  // namespace

CertStatus CertObjectCreate(CertObject** cert, CertContext* context) {
    if (cert == nullptr) return NullArgument("cert");
    *cert = nullptr;
    if (context != nullptr && !IsCertContext(context)) return kCertNotContext;
    auto* made = support::New<CertObject>();
    if (made == nullptr) return kCertOutOfMemory;
    made->typeMarker = &kCertObjectMarker;
    made->self = made;
    made->context = context;
    NameInit(&made->issuer);
    NameInit(&made->subject);
    *cert = made;
    return kCertOk;
}

CertStatus CertSetDer(CertObject* cert, const std::uint8_t* der, std::uint32_t length) {
    if (!IsCertObject(cert)) return kCertNotCertificate;
    if (der == nullptr || length == 0 || cert->der != nullptr) return kCertBadData;
    // Callers hand over buffers as they got them (a profile's certificate item may hold several
    // certificates back to back): the object holds the first certificate and nothing after it.
    length = CertificateExtent({der, length});
    auto* copy = support::NewArray<std::uint8_t>(length);
    if (copy == nullptr) return kCertOutOfMemory;
    std::memcpy(copy, der, length);
    cert->der = copy;
    cert->derLength = length;

    DecodedCertificate decoded;
    if (const CertStatus status = DecodeDer(cert, decoded); status != kCertOk) {
        Empty(cert);
        return status;
    }
    cert->fields = decoded.fields;
    cert->fields.issuerName = &cert->issuer;
    cert->fields.subjectName = &cert->subject;
    return kCertOk;
}

CertStatus CertGetFields(const CertFields** fields, CertObject* cert) {
    if (!IsCertObject(cert)) return kCertNotCertificate;
    if (fields == nullptr) return NullArgument("certFields");
    if (cert->der == nullptr) return kCertBadData;
    *fields = &cert->fields;
    return kCertOk;
}

void CertObjectDestroy(CertObject** cert) {
    if (cert == nullptr) return;
    if (IsCertObject(*cert)) {
        Empty(*cert);
        (*cert)->self = nullptr;
        support::Release(*cert);
    }
    *cert = nullptr;
}

}  // namespace quillon::toolkit::cert
