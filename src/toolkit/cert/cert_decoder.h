// Decodes a DER X.509 Certificate (RFC 5280 section 4.1) into views of its fields. Nothing is
// allocated; the views point into the input.
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/cert/cert_fields.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

struct DecodedCertificate {
    CertFields fields;                      // without the two name objects
    std::span<const std::uint8_t> issuer;   // DER Name
    std::span<const std::uint8_t> subject;  // DER Name
};

// The length of the certificate at the front of der: its first element, so that bytes after it
// (a further certificate, padding) are left out. All of der when no element header reads there;
// DecodeCertificate then tells why.
[[nodiscard]] std::uint32_t CertificateExtent(std::span<const std::uint8_t> der);

// kCertBadData for DER that is not a Certificate, kCertLengthOutOfRange when it is cut short,
// kCertInconsistent when the tbsCertificate's signature algorithm differs from the outer one in any
// byte, kCertValidityOrder when the validity starts after it ends.
[[nodiscard]] CertStatus DecodeCertificate(std::span<const std::uint8_t> der,
                                           DecodedCertificate& decoded);

}  // namespace quillon::toolkit::cert
