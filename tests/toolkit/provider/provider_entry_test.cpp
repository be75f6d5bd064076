// The provider's entry operation and function table: seeding by source, the platform rule, the
// named null arguments, the status mapping, refresh and release, and out of memory anywhere in
// the entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/allocation_failure.h"
#include "common/status_printer.h"
#include "fakes/provider_platform_fake.h"
#include "platform/dynamic_library.h"
#include "toolkit/methods/methods.h"
#include "toolkit/provider/provider_methods.h"
#include "toolkit/provider/quillon_crypto_provider.h"

namespace quillon::toolkit::provider {
namespace {

using test::Fake;

// A provider built by the entry, released when the test ends.
struct Provider {
    cert::ProviderFunctions functions{};
    cert::ProviderState* state = nullptr;
    cert::CertStatus status = cert::kCertOk;
    explicit Provider(const Item* seed = nullptr) {
        status = QuillonCryptoEntry(nullptr, seed, &functions, &state);
    }
    ~Provider() {
        if (state != nullptr) {
            EXPECT_EQ(functions.release(nullptr, state), cert::kCertOk);
        }
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    std::vector<std::uint8_t> RandomBytes(std::uint32_t length) {
        AlgObject* random = nullptr;
        EXPECT_EQ(functions.getRandomObject(nullptr, state, &random), cert::kCertOk);
        std::vector<std::uint8_t> bytes(length);
        EXPECT_EQ(AlgGenerateRandomBytes(random, bytes.data(), length, nullptr), kOk);
        return bytes;
    }
};

class ProviderEntryTest : public ::testing::Test {
  protected:
    void SetUp() override { test::ResetFakePlatform(); }
};

TEST_F(ProviderEntryTest, RecordNamesTheProvider) {
    EXPECT_EQ(kQuillonCryptoProvider.serviceType, 2u);
    EXPECT_STREQ(kQuillonCryptoProvider.name, "Quillon Crypto");
    EXPECT_EQ(kQuillonCryptoProvider.entry, &QuillonCryptoEntry);
}

TEST_F(ProviderEntryTest, WithoutDeviceSeedsFromSystemState) {
    Provider provider;
    ASSERT_EQ(provider.status, cert::kCertOk);
    ASSERT_NE(provider.state, nullptr);
    EXPECT_EQ(ProviderSeedSource(*provider.state), SeedSource::kSystemState);
    EXPECT_EQ(Fake().processStatePolls, 1);
    EXPECT_EQ(Fake().itemLengths, (std::vector<std::uint32_t>{68, 4, 4, 32, 32}));
    EXPECT_EQ(Fake().randomRequests, 0);
    EXPECT_EQ(provider.RandomBytes(40).size(), 40u);
}

TEST_F(ProviderEntryTest, SystemStateByPlatform) {
    struct Case {
        const char* name;
        bool versionAvailable;
        std::uint32_t platformId;
        bool toolHelp;
        cert::CertStatus status;
        int toolHelpPolls, processStatePolls;
    } const cases[] = {
        {"Windows 95 family", true, 1, true, cert::kCertOk, 1, 0},
        {"Windows 95 family without tool help", true, 1, false, cert::kCertGeneralFailure, 1, 0},
        {"NT family", true, 2, true, cert::kCertOk, 0, 1},
        {"platform 0", true, 0, true, cert::kCertGeneralFailure, 0, 0},
        {"platform 3", true, 3, true, cert::kCertGeneralFailure, 0, 0},
        {"version unknown", false, 2, true, cert::kCertGeneralFailure, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ResetFakePlatform();
        Fake().versionAvailable = c.versionAvailable;
        Fake().version.platformId = c.platformId;
        Fake().toolHelpAvailable = c.toolHelp;
        cert::ProviderFunctions functions{};
        cert::ProviderState* state =
            reinterpret_cast<cert::ProviderState*>(&functions);  // must be cleared
        EXPECT_EQ(QuillonCryptoEntry(nullptr, nullptr, &functions, &state), c.status);
        EXPECT_EQ(Fake().toolHelpPolls, c.toolHelpPolls);
        EXPECT_EQ(Fake().processStatePolls, c.processStatePolls);
        if (c.status == cert::kCertOk) {
            ASSERT_NE(state, nullptr);
            EXPECT_EQ(ProviderSeedSource(*state), SeedSource::kSystemState);
            EXPECT_EQ(functions.release(nullptr, state), cert::kCertOk);
        } else {
            EXPECT_EQ(state, nullptr);
        }
    }
}

TEST_F(ProviderEntryTest, DeviceSeedsWith128Bytes) {
    Fake().devicePresent = true;
    Provider provider;
    ASSERT_EQ(provider.status, cert::kCertOk);
    EXPECT_EQ(ProviderSeedSource(*provider.state), SeedSource::kHardwareDevice);
    EXPECT_EQ(Fake().testRequests, 1);
    EXPECT_EQ(Fake().capabilityRequests, 1);
    EXPECT_EQ(Fake().lastCapabilityIndex, 5u);
    EXPECT_EQ(Fake().randomRequests, 32);
    EXPECT_EQ(Fake().processStatePolls, 0);
}

TEST_F(ProviderEntryTest, AnyDeviceFailureFallsBackToSystemState) {
    struct Case {
        const char* name;
        void (*arrange)(test::FakePlatform&);
    } const cases[] = {
        {"generator test fails", [](test::FakePlatform& f) { f.testResult = 0x100; }},
        {"device not available", [](test::FakePlatform& f) { f.testStatus = 1; }},
        {"capability refused", [](test::FakePlatform& f) { f.capabilityStatus = 4; }},
        {"random number fails midway",
         [](test::FakePlatform& f) {
             f.randomStatuses = {0, 0, 0, 2};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ResetFakePlatform();
        Fake().devicePresent = true;
        c.arrange(Fake());
        Provider provider;
        ASSERT_EQ(provider.status, cert::kCertOk);
        EXPECT_EQ(ProviderSeedSource(*provider.state), SeedSource::kSystemState);
        EXPECT_EQ(Fake().processStatePolls, 1);
    }
}

TEST_F(ProviderEntryTest, CallerSeedDecidesTheGenerator) {
    std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Item seed{bytes, sizeof bytes};
    Provider first(&seed);
    Provider second(&seed);
    ASSERT_EQ(first.status, cert::kCertOk);
    ASSERT_EQ(second.status, cert::kCertOk);
    EXPECT_EQ(ProviderSeedSource(*first.state), SeedSource::kCallerSeed);
    EXPECT_EQ(first.RandomBytes(64), second.RandomBytes(64));
    EXPECT_EQ(Fake().processStatePolls, 0);
    EXPECT_EQ(Fake().testRequests, 0);

    bytes[8] ^= 1;
    Provider third(&seed);
    EXPECT_NE(first.RandomBytes(64), third.RandomBytes(64));

    // An empty seed is no seed: it would leave the generator predictable.
    const Item empty{bytes, 0};
    Provider fourth(&empty);
    ASSERT_EQ(fourth.status, cert::kCertOk);
    EXPECT_EQ(ProviderSeedSource(*fourth.state), SeedSource::kSystemState);
}

TEST_F(ProviderEntryTest, NullArgumentsAreNamed) {
    Provider provider;
    ASSERT_EQ(provider.status, cert::kCertOk);
    cert::ProviderFunctions functions{};
    cert::ProviderState* state = nullptr;
    Chooser chooser = nullptr;
    AlgObject* random = nullptr;
    const Item brokenSeed{nullptr, 4};
    const auto& f = provider.functions;
    const auto expectNamed = [](cert::CertStatus status, const char* name) {
        EXPECT_EQ(status, cert::kCertNullArgument) << name;
        EXPECT_STREQ(cert::MissingArgumentName(), name);
    };
    expectNamed(QuillonCryptoEntry(nullptr, nullptr, nullptr, &state), "funcs");
    expectNamed(QuillonCryptoEntry(nullptr, nullptr, &functions, nullptr), "handle");
    expectNamed(QuillonCryptoEntry(nullptr, &brokenSeed, &functions, &state), "seed");
    EXPECT_EQ(state, nullptr);
    expectNamed(f.getChooser(nullptr, nullptr, &chooser), "handle");
    expectNamed(f.getChooser(nullptr, provider.state, nullptr), "chooser");
    expectNamed(f.getRandomObject(nullptr, nullptr, &random), "handle");
    expectNamed(f.getRandomObject(nullptr, provider.state, nullptr), "randomObj");
    expectNamed(f.refreshSeed(nullptr, nullptr), "handle");
    EXPECT_EQ(f.release(nullptr, nullptr), cert::kCertOk);
}

TEST_F(ProviderEntryTest, StatusMapping) {
    // Numbers on the toolkit side too: codes without a name and certificate codes carried
    // through a toolkit status are part of the mapping.
    struct Case {
        std::uint32_t toolkit;
        std::int32_t cert;  // the number an export hands its caller
    } const cases[] = {
        {0, 0},         {0x206, 0x700}, {0x207, 0x702}, {0x208, 0x703}, {0x20C, 0x705},
        {0x20D, 0x706}, {0x218, 0x70A}, {0x219, 0x70B}, {0x200, 0x74B}, {0x20B, 0x74B},
        {0x20F, 0x74B}, {0x221, 0x74B}, {0x6FF, 0x74B}, {1, 0x74B},     {0x700, 0x700},
        {0x709, 0x709}, {0x74B, 0x74B}, {0x763, 0x763},
    };
    for (const Case& c : cases) {
        const Status status = static_cast<Status>(c.toolkit);
        EXPECT_EQ(cert::ToExportStatus(cert::MapToCertStatus(status)), c.cert) << c.toolkit;
    }
}

TEST_F(ProviderEntryTest, ChooserHoldsTheListWithoutAbsentTokens) {
    Provider provider;
    ASSERT_EQ(provider.status, cert::kCertOk);
    Chooser chooser = nullptr;
    ASSERT_EQ(provider.functions.getChooser(nullptr, provider.state, &chooser), cert::kCertOk);
    // Where CryptoAPI cannot be loaded its two methods take no part; where it can they stand in
    // their place as session entries of the raw private-key kind. The rest keep their order.
    const platform::LibraryHandle capi = platform::LoadDynamicLibrary("advapi32.dll");
    platform::FreeDynamicLibrary(capi);
    std::vector<const Method*> actual;
    for (Chooser entry = chooser; *entry != nullptr; ++entry) actual.push_back(*entry);
    ASSERT_EQ(actual.size(), capi != nullptr ? 30u : 28u);
    std::size_t at = 0;
    for (const Method* method : kProviderMethods) {
        if (method == &kCapiEncryptMethod || method == &kCapiDecryptMethod) {
            if (capi == nullptr) continue;
            EXPECT_EQ(actual[at]->kind, method->kind);
            EXPECT_EQ(actual[at]->direction, method->direction);
            EXPECT_NE(actual[at], method);  // the session's copy
        } else {
            EXPECT_EQ(actual[at], method) << at;
        }
        ++at;
    }
}

TEST_F(ProviderEntryTest, MethodListOrder) {
    ASSERT_EQ(std::size(kProviderMethods), 30u);
    EXPECT_EQ(kProviderMethods[0], &methods::kSha1Method);
    EXPECT_EQ(kProviderMethods[1], &methods::kRandomFips186Method);
    EXPECT_EQ(kProviderMethods[2], &kCapiEncryptMethod);
    EXPECT_EQ(kProviderMethods[3], &kCapiDecryptMethod);
    EXPECT_EQ(kProviderMethods[4], &methods::kRsaRawPrivateEncryptMethod);
    EXPECT_EQ(kProviderMethods[5], &methods::kRsaRawPrivateDecryptMethod);
    EXPECT_EQ(kProviderMethods[6], &methods::kRsaRawPublicEncryptMethod);
    EXPECT_EQ(kProviderMethods[7], &methods::kRsaRawPublicDecryptMethod);
    EXPECT_EQ(kProviderMethods[12], &methods::kDesEncryptMethod);
    EXPECT_EQ(kProviderMethods[13], &methods::kDesDecryptMethod);
    EXPECT_EQ(kProviderMethods[20], &methods::kMd5Method);
    // The CryptoAPI methods serve the raw private-key kind for the key-reference form.
    EXPECT_EQ(KindOf(kCapiEncryptMethod.kind).descriptor, KindOf(InfoRsaRawPrivate).descriptor);
    EXPECT_EQ(kCapiEncryptMethod.direction, kEncryptSide);
    EXPECT_EQ(kCapiDecryptMethod.direction, kDecryptSide);
    EXPECT_EQ(kCapiEncryptMethod.keyForm, &KeyInfoCapiReference);
    for (std::size_t i = 22; i < 30; ++i) {
        EXPECT_EQ(KindOf(kProviderMethods[i]->kind).descriptor, KindOf(InfoTokenRsa).descriptor);
    }
}

TEST_F(ProviderEntryTest, RefreshFeedsSystemStateOnly) {
    Provider fromSystem;
    ASSERT_EQ(fromSystem.status, cert::kCertOk);
    const auto before = fromSystem.RandomBytes(20);
    EXPECT_EQ(fromSystem.functions.refreshSeed(nullptr, fromSystem.state), cert::kCertOk);
    EXPECT_EQ(Fake().refreshPolls, 1);

    std::uint8_t bytes[] = {42};
    const Item seed{bytes, 1};
    Provider fromCaller(&seed);
    EXPECT_EQ(fromCaller.functions.refreshSeed(nullptr, fromCaller.state), cert::kCertOk);
    test::ResetFakePlatform();
    Fake().devicePresent = true;
    Provider fromDevice;
    ASSERT_EQ(ProviderSeedSource(*fromDevice.state), SeedSource::kHardwareDevice);
    EXPECT_EQ(fromDevice.functions.refreshSeed(nullptr, fromDevice.state), cert::kCertOk);
    EXPECT_EQ(Fake().refreshPolls, 0);
}

// Out of memory at any allocation of the entry: 0x700 with nothing left behind (asan checks the
// leaks), or a provider that works in full, when only the hardware path lost its memory and
// system state stood in.
TEST_F(ProviderEntryTest, AllocationFailureAnywhere) {
    std::uint8_t bytes[] = {1, 2, 3};
    const Item seed{bytes, sizeof bytes};
    struct Case {
        const char* name;
        bool device;
        const Item* seed;
        SeedSource source;    // when no allocation fails
        SeedSource fallback;  // when one of the hardware path fails
    } const cases[] = {
        {"system state", false, nullptr, SeedSource::kSystemState, SeedSource::kSystemState},
        {"hardware device", true, nullptr, SeedSource::kHardwareDevice, SeedSource::kSystemState},
        {"caller seed", false, &seed, SeedSource::kCallerSeed, SeedSource::kCallerSeed},
    };
    test::AllocationHookGuard guard;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int allocations = test::ForEachAllocationFailure([&](int failing) {
            test::ResetFakePlatform();
            Fake().devicePresent = c.device;
            cert::ProviderFunctions functions{};
            cert::ProviderState* state = nullptr;
            const cert::CertStatus status = QuillonCryptoEntry(nullptr, c.seed, &functions, &state);
            if (status != cert::kCertOk) {
                EXPECT_EQ(status, cert::kCertOutOfMemory) << "allocation " << failing;
                EXPECT_EQ(state, nullptr);
                return;
            }
            ASSERT_NE(state, nullptr);
            const SeedSource source = ProviderSeedSource(*state);
            EXPECT_TRUE(source == c.source || source == c.fallback) << failing;
            AlgObject* random = nullptr;
            ASSERT_EQ(functions.getRandomObject(nullptr, state, &random), cert::kCertOk);
            std::uint8_t out[8];
            EXPECT_EQ(AlgGenerateRandomBytes(random, out, sizeof out, nullptr), kOk);
            EXPECT_EQ(functions.release(nullptr, state), cert::kCertOk);
        });
        EXPECT_GT(allocations, 3);
    }
}

}  // namespace
}  // namespace quillon::toolkit::provider
