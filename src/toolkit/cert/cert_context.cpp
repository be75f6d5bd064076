#include "toolkit/cert/cert_context.h"

#include "support/checked_alloc.h"
#include "toolkit/provider/cert_status.h"

namespace quillon::toolkit::cert {

constinit const std::uint32_t kCertContextMarker = 0x43435458u;  // "CCTX"

CertStatus CertContextCreate(CertContext** context) {
    if (context == nullptr) return NullArgument("context");
    *context = nullptr;
    auto* made = static_cast<CertContext*>(support::AllocateZeroed(sizeof(CertContext)));
    if (made == nullptr) return kCertOutOfMemory;
    made->typeMarker = &kCertContextMarker;
    made->self = made;
    *context = made;
    return kCertOk;
}

void CertContextDestroy(CertContext** context) {
    if (context == nullptr) return;
    if (IsCertContext(*context)) {
        (*context)->self = nullptr;
        support::Release(*context);
    }
    *context = nullptr;
}

}  // namespace quillon::toolkit::cert
