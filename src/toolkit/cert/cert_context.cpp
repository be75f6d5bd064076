#include "toolkit/cert/cert_context.h"

#include "support/checked_alloc.h"

namespace quillon::toolkit::cert {

constinit const std::uint32_t kCertContextMarker = 0x43435458u;  // "CCTX"

CertStatus CertContextCreate(CertContext** context, const ProviderRecord* provider,
                             const Item* providerHandle) {
    if (context == nullptr) return NullArgument("context");
    *context = nullptr;
    if (provider != nullptr && provider->entry == nullptr) return NullArgument("entry");
    auto* made = support::New<CertContext>();
    if (made == nullptr) return kCertOutOfMemory;
    made->typeMarker = &kCertContextMarker;
    made->self = made;
    if (provider != nullptr) {
        made->provider = *provider;
        const CertStatus status =
            provider->entry(made, providerHandle, &made->functions, &made->providerState);
        if (status != kCertOk) {
            CertContextDestroy(&made);
            return status;
        }
    }
    *context = made;
    return kCertOk;
}

void CertContextDestroy(CertContext** context) {
    if (context == nullptr) return;
    CertContext* held = *context;
    if (IsCertContext(held)) {
        if (held->providerState != nullptr)
            (void)held->functions.release(held, held->providerState);
        held->self = nullptr;
        support::Release(held);
    }
    *context = nullptr;
}

}  // namespace quillon::toolkit::cert
