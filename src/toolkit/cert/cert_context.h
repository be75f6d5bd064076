// The certificate toolkit context: what every certificate operation runs in. Certificate objects
// are bound to one, and the message encoders need one.
#pragma once

#include <cstdint>

#include "toolkit/provider/cert_status.h"

namespace quillon::toolkit::cert {

struct CertContext {
    const std::uint32_t* typeMarker;  // &kCertContextMarker
    CertContext* self;
};

extern const std::uint32_t kCertContextMarker;

[[nodiscard]] inline bool IsCertContext(const CertContext* context) {
    return context != nullptr && context->self == context &&
           context->typeMarker == &kCertContextMarker;
}

// Writes a new context, or null: 0x707 ("context") for a null address, 0x700 out of memory.
[[nodiscard]] CertStatus CertContextCreate(CertContext** context);

// Releases a valid context; always clears the variable.
void CertContextDestroy(CertContext** context);

}  // namespace quillon::toolkit::cert
