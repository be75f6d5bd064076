// The certificate toolkit context: what every certificate operation runs in. It registers the
// service providers that give the certificate layer its cryptography; certificate objects are
// bound to a context, and the message encoders need one.
#pragma once

#include <cstdint>

#include "toolkit/cert/cert_status.h"
#include "toolkit/cert/provider_interface.h"
#include "toolkit/item.h"

namespace quillon::toolkit::cert {

struct CertContext {
    const std::uint32_t* typeMarker;  // &kCertContextMarker
    CertContext* self;
    const SurrenderContext* surrender;  // none in this module
    // The registered provider: its record, the function table its entry filled and its state.
    ProviderRecord provider;
    ProviderFunctions functions;
    ProviderState* providerState;  // null when no provider is registered
};

extern const std::uint32_t kCertContextMarker;

[[nodiscard]] inline bool IsCertContext(const CertContext* context) {
    return context != nullptr && context->self == context &&
           context->typeMarker == &kCertContextMarker;
}

// Writes a new context that registers provider (none when null) through its entry operation,
// handing it providerHandle as its seed (null: the provider seeds itself). On failure the
// variable is null and the status is the provider's, or kCertNullArgument ("context", "entry") for
// a null address or entry, kCertOutOfMemory.
[[nodiscard]] CertStatus CertContextCreate(CertContext** context, const ProviderRecord* provider,
                                           const Item* providerHandle);

// Releases a valid context and its provider; always clears the variable.
void CertContextDestroy(CertContext** context);

}  // namespace quillon::toolkit::cert
