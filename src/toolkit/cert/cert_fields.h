// The fields of a certificate as its certificate object reports them, in the order of the
// tbsCertificate. Everything points into the certificate object, which owns it; a reader frees
// nothing.
#pragma once

#include <cstdint>

#include "der/der_time.h"
#include "toolkit/cert/name_object.h"
#include "toolkit/item.h"

namespace quillon::toolkit::cert {

struct CertFields {
    std::uint32_t version;    // 0 = v1, 1 = v2, 2 = v3
    Item serialNumber;        // INTEGER contents octets (two's complement)
    Item signatureAlgorithm;  // DER AlgorithmIdentifier of the tbsCertificate
    NameObject* issuerName;
    der::DerTime validityStart;
    der::DerTime validityEnd;
    NameObject* subjectName;
    Item subjectPublicKeyInfo;  // DER SubjectPublicKeyInfo (input of KeyInfoRsaPublicBer)
    Item issuerUniqueId;        // BIT STRING contents, length 0 when absent
    Item subjectUniqueId;
    Item extensions;  // DER Extensions, length 0 when absent
};

}  // namespace quillon::toolkit::cert
