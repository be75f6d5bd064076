// The "Quillon Crypto" service provider: the one provider the module's certificate toolkit
// context is given (provider_interface.h describes what a context asks of a provider).
#pragma once

#include <cstdint>

#include "toolkit/cert/provider_interface.h"
#include "toolkit/item.h"

namespace quillon::toolkit::provider {

[[nodiscard]] cert::CertStatus QuillonCryptoEntry(cert::CertContext* context, const Item* seed,
                                                  cert::ProviderFunctions* functions,
                                                  cert::ProviderState** state);

// {2, "Quillon Crypto", QuillonCryptoEntry}; registered with a provider handle of null.
extern const cert::ProviderRecord kQuillonCryptoProvider;

// Where the provider's random object got its seed.
enum class SeedSource : std::uint32_t {
    kCallerSeed = 0,
    kHardwareDevice = 1,
    kSystemState = 2,
};

// The seed source of a built provider (for its callers' diagnostics and the tests).
[[nodiscard]] SeedSource ProviderSeedSource(const cert::ProviderState& state);

}  // namespace quillon::toolkit::provider
