// What a DER decoding failure becomes in the certificate toolkit: data cut short (the input, or
// an element, ends before what it must hold) is a length out of range (kCertLengthOutOfRange),
// every other fault malformed data (kCertBadData).
#pragma once

#include "support/der.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

[[nodiscard]] constexpr CertStatus CertStatusFromDer(support::DerStatus status) {
    switch (status) {
        case support::DerStatus::kOk:
            return kCertOk;
        case support::DerStatus::kTruncated:
        case support::DerStatus::kLengthPastEnd:
            return kCertLengthOutOfRange;
        default:
            return kCertBadData;
    }
}

}  // namespace quillon::toolkit::cert
