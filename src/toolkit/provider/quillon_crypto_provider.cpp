// The "Quillon Crypto" provider: its entry operation, state and function table.
#include "toolkit/provider/quillon_crypto_provider.h"

#include <utility>

#include "support/checked_alloc.h"
#include "support/owner.h"
#include "support/secure_wipe.h"
#include "toolkit/provider/provider_methods.h"
#include "toolkit/provider/provider_seed.h"

// The state behind the provider interface's opaque handle.
struct quillon::toolkit::cert::ProviderState {
    provider::SeedSource seedSource;
    AlgObject* random;                // InfoRandomFips186, initialised with the provider's chooser
    provider::TokenChooser* chooser;  // the chooser and its session data
};

namespace quillon::toolkit::provider {
namespace {

constexpr std::uint32_t kProviderServiceType = 2;

// The certificate toolkit offers a surrender context; the module always runs without one.
constexpr const SurrenderContext* kNoSurrender = nullptr;

// Destroys the random object and the chooser, wipes the state and frees it; clears the variable.
void DestroyState(cert::ProviderState** state) {
    cert::ProviderState* made = std::exchange(*state, nullptr);
    if (made == nullptr) return;
    (void)AlgDestroy(&made->random);
    TokenChooserRelease(&made->chooser);
    support::WipeAndRelease(made, sizeof *made);
}

using OwnedState = support::Owner<cert::ProviderState, DestroyState>;

cert::CertStatus Release(cert::CertContext*, cert::ProviderState* state) {
    DestroyState(&state);
    return cert::kCertOk;
}

cert::CertStatus GetChooser(cert::CertContext*, cert::ProviderState* state, Chooser* chooser) {
    if (state == nullptr) return cert::NullArgument("handle");
    if (chooser == nullptr) return cert::NullArgument("chooser");
    *chooser = state->chooser->entries;
    return cert::kCertOk;
}

cert::CertStatus GetRandomObject(cert::CertContext*, cert::ProviderState* state,
                                 AlgObject** randomObject) {
    if (state == nullptr) return cert::NullArgument("handle");
    if (randomObject == nullptr) return cert::NullArgument("randomObj");
    *randomObject = state->random;
    return cert::kCertOk;
}

// Seeds from a caller or a device are left as they are; only system state goes stale.
cert::CertStatus RefreshSeed(cert::CertContext*, cert::ProviderState* state) {
    if (state == nullptr) return cert::NullArgument("handle");
    if (state->seedSource != SeedSource::kSystemState) return cert::kCertOk;
    return cert::MapToCertStatus(RefreshSystemSeed(state->random, kNoSurrender));
}

constexpr cert::ProviderFunctions kFunctions = {Release, GetChooser, GetRandomObject, RefreshSeed};

// A caller's seed first; else the hardware device; if that fails in any way, system state. An
// empty seed counts as none: taken as the only seed it would leave the generator predictable.
Status Seed(cert::ProviderState& state, const Item* seed) {
    if (seed != nullptr && seed->length != 0) {
        state.seedSource = SeedSource::kCallerSeed;
        return AlgRandomUpdate(state.random, seed->data, seed->length, kNoSurrender);
    }
    if (SeedFromHardwareDevice(state.random, kNoSurrender) == kOk) {
        state.seedSource = SeedSource::kHardwareDevice;
        return kOk;
    }
    state.seedSource = SeedSource::kSystemState;
    return SeedFromSystemState(state.random, kNoSurrender);
}

Status Build(cert::ProviderState& state, const Item* seed) {
    Status status = TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                      kProviderTokenCount, &state.chooser);
    if (status != kOk) return status;
    status = AlgCreate(&state.random);
    if (status != kOk) return status;
    status = AlgSetInfo(state.random, InfoRandomFips186, nullptr);
    if (status != kOk) return status;
    status = AlgRandomInit(state.random, state.chooser->entries, kNoSurrender);
    if (status != kOk) return status;
    return Seed(state, seed);
}

}  // namespace

cert::CertStatus QuillonCryptoEntry(cert::CertContext*, const Item* seed,
                                    cert::ProviderFunctions* functions,
                                    cert::ProviderState** state) {
    if (functions == nullptr) return cert::NullArgument("funcs");
    if (state == nullptr) return cert::NullArgument("handle");
    *state = nullptr;
    if (seed != nullptr && seed->data == nullptr && seed->length != 0)
        return cert::NullArgument("seed");
    *functions = kFunctions;
    OwnedState built(support::New<cert::ProviderState>());
    if (built == nullptr) return cert::kCertOutOfMemory;
    if (const Status status = Build(*built.get(), seed); status != kOk) {
        return cert::MapToCertStatus(status);
    }
    built.HandOut(state);
    return cert::kCertOk;
}

constinit const cert::ProviderRecord kQuillonCryptoProvider = {
    kProviderServiceType, "Quillon Crypto", QuillonCryptoEntry};

SeedSource ProviderSeedSource(const cert::ProviderState& state) {
    return state.seedSource;
}

}  // namespace quillon::toolkit::provider
