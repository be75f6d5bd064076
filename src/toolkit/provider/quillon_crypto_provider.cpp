// The "Quillon Crypto" provider: its entry operation, state and function table.
#include "toolkit/provider/quillon_crypto_provider.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/provider/provider_methods.h"
#include "toolkit/provider/provider_seed.h"

namespace quillon::toolkit {

struct ProviderState {
    SeedSource seedSource;
    AlgObject* random;      // InfoRandomFips186, initialised with the provider's chooser
    TokenChooser* chooser;  // the chooser and its session data
};

namespace {

constexpr std::uint32_t kProviderServiceType = 2;

// The certificate toolkit offers a surrender context; the module always runs without one.
constexpr const SurrenderContext* kNoSurrender = nullptr;

CertStatus Release(cert::CertContext*, ProviderState* state) {
    if (state == nullptr) return kCertOk;
    (void)AlgDestroy(&state->random);
    TokenChooserRelease(&state->chooser);
    support::WipeAndRelease(state, sizeof *state);
    return kCertOk;
}

CertStatus GetChooser(cert::CertContext*, ProviderState* state, Chooser* chooser) {
    if (state == nullptr) return NullArgument("handle");
    if (chooser == nullptr) return NullArgument("chooser");
    *chooser = state->chooser->entries;
    return kCertOk;
}

CertStatus GetRandomObject(cert::CertContext*, ProviderState* state, AlgObject** randomObject) {
    if (state == nullptr) return NullArgument("handle");
    if (randomObject == nullptr) return NullArgument("randomObj");
    *randomObject = state->random;
    return kCertOk;
}

// Seeds from a caller or a device are left as they are; only system state goes stale.
CertStatus RefreshSeed(cert::CertContext*, ProviderState* state) {
    if (state == nullptr) return NullArgument("handle");
    if (state->seedSource != SeedSource::kSystemState) return kCertOk;
    return MapToCertStatus(RefreshSystemSeed(state->random, kNoSurrender));
}

constexpr ProviderFunctions kFunctions = {Release, GetChooser, GetRandomObject, RefreshSeed};

// A caller's seed first; else the hardware device; if that fails in any way, system state. An
// empty seed counts as none: taken as the only seed it would leave the generator predictable.
Status Seed(ProviderState& state, const Item* seed) {
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

Status Build(ProviderState& state, const Item* seed) {
    Status status = TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                      kProviderTokenCount, &state.chooser);
    if (status == kOk) status = AlgCreate(&state.random);
    if (status == kOk) status = AlgSetInfo(state.random, InfoRandomFips186, nullptr);
    if (status == kOk) status = AlgRandomInit(state.random, state.chooser->entries, kNoSurrender);
    if (status == kOk) status = Seed(state, seed);
    return status;
}

}  // namespace

CertStatus QuillonCryptoEntry(cert::CertContext*, const Item* seed, ProviderFunctions* functions,
                              ProviderState** state) {
    if (functions == nullptr) return NullArgument("funcs");
    if (state == nullptr) return NullArgument("handle");
    *state = nullptr;
    if (seed != nullptr && seed->data == nullptr && seed->length != 0) return NullArgument("seed");
    *functions = kFunctions;
    auto* built = support::New<ProviderState>();
    if (built == nullptr) return kCertOutOfMemory;
    if (const Status status = Build(*built, seed); status != kOk) {
        (void)Release(nullptr, built);
        return MapToCertStatus(status);
    }
    *state = built;
    return kCertOk;
}

constinit const ProviderRecord kQuillonCryptoProvider = {kProviderServiceType, "Quillon Crypto",
                                                         QuillonCryptoEntry};

SeedSource ProviderSeedSource(const ProviderState& state) {
    return state.seedSource;
}

}  // namespace quillon::toolkit
