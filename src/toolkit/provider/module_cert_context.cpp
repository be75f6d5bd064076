#include "toolkit/provider/module_cert_context.h"
#include "toolkit/provider/quillon_crypto_provider.h"

namespace quillon::toolkit::provider {
namespace {

constinit CertContextOnce theModuleContext;

}  // namespace

cert::CertContext* CertContextOnce::Get() {
    (void)once_.Run([this] {
        // Its status is not kept: without a context, imports still work and only the message
        // encoders refuse. Nor is the creation tried again.
        (void)cert::CertContextCreate(&context_, &kQuillonCryptoProvider, nullptr);
        return true;
    });
    return context_;
}

void CertContextOnce::Release() {
    cert::CertContextDestroy(&context_);
    once_.Reset();
}

cert::CertContext* ModuleCertContext() {
    return theModuleContext.Get();
}

void ReleaseModuleCertContext() {
    theModuleContext.Release();
}

}  // namespace quillon::toolkit::provider
