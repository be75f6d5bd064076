// The process-wide certificate toolkit context, registering the one provider "Quillon Crypto":
// created on first use and kept until the module is unloaded.
#pragma once

#include "support/once.h"
#include "toolkit/cert/cert_context.h"

namespace quillon::toolkit::provider {

// A context made exactly once, whatever threads race for it: the first caller creates it and
// the others wait for that to finish. A creation that fails is not tried again; the context is
// then null for good, and certificate work runs without one.
class CertContextOnce {
  public:
    constexpr CertContextOnce() = default;
    CertContextOnce(const CertContextOnce&) = delete;
    CertContextOnce& operator=(const CertContextOnce&) = delete;

    // The context (null when its creation failed), creating it on the first call.
    [[nodiscard]] cert::CertContext* Get();
    // Destroys the context; the next Get creates it again. Only when no thread uses it.
    void Release();

  private:
    support::Once once_;
    cert::CertContext* context_ = nullptr;
};

// The module's context.
[[nodiscard]] cert::CertContext* ModuleCertContext();
// Destroys the module's context (the module's unload).
void ReleaseModuleCertContext();

}  // namespace quillon::toolkit::provider
