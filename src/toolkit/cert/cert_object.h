// Certificate objects: one X.509 certificate decoded from DER, with its fields and its two name
// objects. The object keeps its own copy of the DER, which the fields and names view.
#pragma once

#include <cstdint>

#include "toolkit/cert/cert_context.h"
#include "toolkit/cert/cert_fields.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/cert/name_object.h"

namespace quillon::toolkit::cert {

struct CertObject {
    const std::uint32_t* typeMarker;  // &kCertObjectMarker
    CertObject* self;
    CertContext* context;  // null when the object was made without one
    std::uint8_t* der;     // null until the object holds a certificate
    std::uint32_t derLength;
    CertFields fields;
    NameObject issuer;
    NameObject subject;
};

extern const std::uint32_t kCertObjectMarker;

[[nodiscard]] inline bool IsCertObject(const CertObject* cert) {
    return cert != nullptr && cert->self == cert && cert->typeMarker == &kCertObjectMarker;
}

// Writes a new empty certificate object bound to context, or null. A null context is allowed
// (the object can hold and report a certificate; encoders then refuse it); anything else that
// is not a context gives kCertNotContext. kCertNullArgument ("cert") for a null address,
// kCertOutOfMemory.
[[nodiscard]] CertStatus CertObjectCreate(CertObject** cert, CertContext* context);

// Gives the object its certificate, copied from the first element of DER (bytes after it are
// neither read nor kept). kCertNotCertificate not a certificate object; kCertBadData for
// null or empty DER or an object that already holds a certificate; the decoder's statuses
// (cert_decoder.h) for DER that is not a certificate; kCertOutOfMemory. On failure
// the object stays empty.
[[nodiscard]] CertStatus CertSetDer(CertObject* cert, const std::uint8_t* der,
                                    std::uint32_t length);

// The fields of the certificate the object holds. kCertNotCertificate not a certificate object,
// kCertNullArgument ("certFields") for a null address, kCertBadData when the object holds no
// certificate yet.
[[nodiscard]] CertStatus CertGetFields(const CertFields** fields, CertObject* cert);

// Releases an object carrying the certificate-object marker, with its names and their texts;
// anything else is left alone. Always clears the variable.
void CertObjectDestroy(CertObject** cert);

}  // namespace quillon::toolkit::cert
