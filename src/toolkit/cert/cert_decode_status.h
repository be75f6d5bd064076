// What a DER decoding failure becomes in the certificate toolkit: data cut short (the input, or
// an element, ends before what it must hold) is a length out of range (kCertLengthOutOfRange),
// every other fault malformed data (kCertBadData).
#pragma once

#include "der/der.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

[[nodiscard]] constexpr CertStatus CertStatusFromDer(der::DerStatus status) {
    switch (status) {
        case der::DerStatus::kOk:
            return kCertOk;
        case der::DerStatus::kTruncated:
        case der::DerStatus::kLengthPastEnd:
            return kCertLengthOutOfRange;
        default:
            return kCertBadData;
    }
}

}  // namespace quillon::toolkit::cert
