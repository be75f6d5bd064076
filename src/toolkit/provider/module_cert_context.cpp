#include "toolkit/provider/module_cert_context.h"
#include "toolkit/provider/quillon_crypto_provider.h"

#include "platform/timing.h"

namespace quillon::toolkit::provider {
namespace {

constinit CertContextOnce theModuleContext;

}  // namespace

cert::CertContext* CertContextOnce::Get() {
    int state = state_.load(std::memory_order_acquire);
    while (state != kDone) {
        if (state == kFresh &&
            state_.compare_exchange_weak(state, kCreating, std::memory_order_acquire)) {
            // Its status is not kept: without a context, imports still work and only the
            // message encoders refuse.
            (void)cert::CertContextCreate(&context_, &kQuillonCryptoProvider, nullptr);
            state_.store(kDone, std::memory_order_release);
            return context_;
        }
        if (state == kCreating) {
            platform::YieldTimeSlice();
            state = state_.load(std::memory_order_acquire);
        }
    }
    return context_;
}

void CertContextOnce::Release() {
    if (context_ != nullptr) cert::CertContextDestroy(&context_);
    context_ = nullptr;
    state_.store(kFresh, std::memory_order_release);
}

cert::CertContext* ModuleCertContext() {
    return theModuleContext.Get();
}

void ReleaseModuleCertContext() {
    theModuleContext.Release();
}

}  // namespace quillon::toolkit::provider
