// What the module keeps for the process (the generator, the Diffie-Hellman groups, the
// certificate context, the key-file cache, the device handle) it gives back when it is unloaded:
// after the release no block the module made is alive, and every family makes its state again
// at its next use, as in a freshly loaded module.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/module_calls.h"
#include "common/openssl_allocation_hook.h"
#include "common/openssl_certificates.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "frame/module_release.h"
#include "quillon.h"
#include "support/checked_alloc.h"

namespace quillon {
namespace {

const bool hooked = test::InstallOpensslAllocationHook();

// The blocks made and not yet released while one lives (the module's and, through the hook,
// libcrypto's).
class LiveBlocks {
  public:
    LiveBlocks() {
        static constexpr support::AllocationObserver kObserver = {Made, Releasing};
        current = this;
        support::ObserveAllocations(&kObserver);
    }
    ~LiveBlocks() {
        support::ObserveAllocations(nullptr);
        current = nullptr;
    }
    LiveBlocks(const LiveBlocks&) = delete;
    LiveBlocks& operator=(const LiveBlocks&) = delete;

    [[nodiscard]] std::size_t count() const { return live_.size(); }

  private:
    static void Made(const void* block, std::size_t) { current->live_.insert(block); }
    static void Releasing(const void* block) { current->live_.erase(block); }

    static inline LiveBlocks* current = nullptr;
    std::unordered_set<const void*> live_;
};

struct Fixtures {
    test::RawRsaTestKey key{1024, 65537, "KEEPSAKE"};
    test::TemporaryDirectory dir;
    std::string keyPath = dir.Write("key.txt", key.FileText());
    test::CertBytes certificate = test::MakeCertificate(Recipe());

    static test::CertRecipe Recipe() {
        test::CertRecipe recipe;
        recipe.subject = {{"CN", V_ASN1_UTF8STRING, "Kept"}};
        return recipe;
    }
};

// One use of each family that keeps state for the process; whatever the call hands to the
// caller is given back.
void UseEveryFamilyThatKeepsState(const Fixtures& fixtures) {
    std::uint8_t bytes[16] = {};
    EXPECT_EQ(RngGetBytes(sizeof bytes, bytes), 0);

    const DhKeyAgreeParams* group = nullptr;
    EXPECT_EQ(DhGetGroup(&group, 2), 0);

    CertHandle* cert = nullptr;
    ASSERT_EQ(CertCreateFromDer(&cert, fixtures.certificate.data(),
                                static_cast<std::uint32_t>(fixtures.certificate.size())),
              0);
    std::vector<std::uint8_t> message(4096);
    auto capacity = static_cast<std::uint32_t>(message.size());
    EXPECT_EQ(CertBuildPkcs7(message.data(), &capacity, cert), 0);
    CertDestroy(&cert);

    // The private side keeps the key file's lines cached (the public side forgets them).
    std::vector<std::uint8_t> buffer(10 + fixtures.key.ModulusBytes());
    buffer[0] = 0x5A;
    const std::int32_t wrapped = RawRsaPublic(fixtures.keyPath.c_str(), buffer.data(), 1);
    ASSERT_GT(wrapped, 0);
    EXPECT_EQ(
        RawRsaPrivate(fixtures.keyPath.c_str(), buffer.data(), static_cast<std::uint32_t>(wrapped)),
        1);
    EXPECT_EQ(buffer[0], 0x5A);

    std::uint32_t value = 0;
    (void)IsdGetRandomNumber(&value);
}

TEST(ModuleRelease, LeavesNoBlockOfTheModuleAlive) {
    ASSERT_TRUE(hooked);
    const Fixtures fixtures;
    frame::ReleaseModuleState();  // what earlier tests of the program left

    const LiveBlocks live;
    UseEveryFamilyThatKeepsState(fixtures);
    EXPECT_GT(live.count(), 0U);
    frame::ReleaseModuleState();
    EXPECT_EQ(live.count(), 0U);
}

TEST(ModuleRelease, EveryFamilyWorksAgainAfterIt) {
    const Fixtures fixtures;
    UseEveryFamilyThatKeepsState(fixtures);
    frame::ReleaseModuleState();
    // The generator is as in a freshly loaded module: its first use reseeds with the default.
    test::ExpectFirstUseSeedsWithTheDefaultValue(RngGetBytes);
    UseEveryFamilyThatKeepsState(fixtures);
    frame::ReleaseModuleState();
    frame::ReleaseModuleState();  // nothing left to release: no harm
}

}  // namespace
}  // namespace quillon
