// The service-provider interface of the certificate toolkit. A context calls each registered
// provider's entry operation once when it is created; the entry fills the provider's function
// table and hands back the provider state, through which the context gets the provider's chooser
// and its seeded random object, refreshes the seed and finally releases the provider.
//
// Every operation returns a certificate toolkit status (cert_status.h). A null argument gives
// kCertNullArgument naming it ("funcs", "handle", "chooser", "randomObj"; MissingArgumentName).
#pragma once

#include <cstdint>

#include "toolkit/cert/cert_status.h"
#include "toolkit/item.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::cert {

struct CertContext;    // the certificate toolkit context; the provider never looks inside
struct ProviderState;  // the provider's own

// Filled by the entry operation, in this order.
struct ProviderFunctions {
    // Destroys the random object, releases the chooser and its sessions, frees the state; a null
    // state is ignored.
    CertStatus (*release)(CertContext* context, ProviderState* state);
    // The provider's chooser; it stays valid until release.
    CertStatus (*getChooser)(CertContext* context, ProviderState* state, Chooser* chooser);
    // The provider's random object (InfoRandomFips186), seeded; owned by the provider.
    CertStatus (*getRandomObject)(CertContext* context, ProviderState* state,
                                  AlgObject** randomObject);
    // Feeds fresh system values to the random object when it was seeded from system state.
    CertStatus (*refreshSeed)(CertContext* context, ProviderState* state);
};

// Builds the provider: fills functions, writes the new state to *state (null on failure).
// seed: the caller's seed material, or null to seed from a hardware device or the system state.
using ProviderEntry = CertStatus (*)(CertContext* context, const Item* seed,
                                     ProviderFunctions* functions, ProviderState** state);

// What a certificate toolkit context is given for each provider it registers.
struct ProviderRecord {
    std::uint32_t serviceType;
    const char* name;
    ProviderEntry entry;
};

}  // namespace quillon::toolkit::cert
