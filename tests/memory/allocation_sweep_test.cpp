// Out of memory at every allocation in turn, the module's own and libcrypto's, through the
// exports that compute with big numbers: each failure gives the export's documented failure
// status and leaves the caller's buffer as it was, and the same call without a failure works
// afterwards. Under the asan preset the sweep also shows that no failure path leaks.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_allocation_hook.h"
#include "common/openssl_rsa.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "frame/module_entry.h"
#include "platform/module.h"
#include "quillon.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

// libcrypto takes the hook only before its first allocation: install it while the program
// starts.
const bool hooked = test::InstallOpensslAllocationHook();

// SHA-1 DigestInfo of "abc", the block a signature carries.
const Bytes kDigestInfo = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05,
                           0x00, 0x04, 0x14, 0xA9, 0x99, 0x3E, 0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA,
                           0x3E, 0x25, 0x71, 0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};

// Statuses an export gives when it runs out of memory: its own -1 and the toolkit's 0x206.
const std::set<std::int32_t> kOutOfMemory = {-1, 0x206};

// Runs attempt with every allocation failing in turn; attempt returns 0 or a failure status,
// which must be one of failures. Then runs it once more without a failure: it must succeed.
void Sweep(const std::function<std::int32_t()>& attempt, const std::set<std::int32_t>& failures) {
    ASSERT_TRUE(hooked);
    int failed = 0;
    const int allocations = test::ForEachAllocationFailure([&](int failing) {
        const std::int32_t status = attempt();
        if (status == 0) return;
        ++failed;
        EXPECT_TRUE(failures.contains(status)) << "allocation " << failing << ": " << status;
    });
    EXPECT_GT(failed, 0);
    EXPECT_GT(allocations, 0);
    EXPECT_EQ(attempt(), 0);
}

TEST(AllocationSweep, OpensslAllocatesThroughTheCheckedAllocator) {
    ASSERT_TRUE(hooked);
    test::AllocationHookGuard guard;
    support::FailNthAllocation(1);
    void* block = OPENSSL_malloc(32);
    support::FailNthAllocation(0);
    EXPECT_EQ(block, nullptr);
    OPENSSL_free(block);
}

TEST(AllocationSweep, DiffieHellmanAgreement) {
    const DhKeyAgreeParams* group = nullptr;
    ASSERT_EQ(DhGetGroup(&group, 2), 0);
    Sweep(
        [group] {
            Item* publicValue = nullptr;
            Item* secret = nullptr;
            DhKeyPair* pair = nullptr;
            std::int32_t status = DhGenerateKeyPair(&publicValue, &pair, group);
            if (status == 0) {
                status = DhComputeSecret(&secret, pair, publicValue, group);
                EXPECT_EQ(status == 0, secret != nullptr);
            } else {
                EXPECT_EQ(publicValue, nullptr);
                EXPECT_EQ(pair, nullptr);
            }
            DhFreeBuffer(&secret);
            DhFreeBuffer(&publicValue);
            DhDestroyKeyPair(&pair);
            return status;
        },
        kOutOfMemory);
}

TEST(AllocationSweep, RsaSignature) {
    const test::OpensslRsaKey& key = test::OpensslKey(1024);
    Bytes expected(key.size());
    ASSERT_EQ(RSA_private_encrypt(static_cast<int>(kDigestInfo.size()), kDigestInfo.data(),
                                  expected.data(), key.rsa, RSA_PKCS1_PADDING),
              static_cast<int>(key.size()));
    Sweep(
        [&] {
            KeyHandle* handle = nullptr;
            std::int32_t status = RsaCreatePrivateKey(&handle, key.pkcs8.data(),
                                                      static_cast<std::uint32_t>(key.pkcs8.size()));
            if (status == 0) {
                Bytes out(key.size(), 0xEE);
                std::uint32_t capacity = key.size();
                status = RsaEncrypt(handle, kDigestInfo.data(),
                                    static_cast<std::uint32_t>(kDigestInfo.size()), out.data(),
                                    &capacity);
                // Never anything but the signature: no other block stands in for it.
                if (status == 0) {
                    EXPECT_EQ(out, expected);
                }
            }
            RsaDestroyKey(&handle);
            return status;
        },
        kOutOfMemory);
}

TEST(AllocationSweep, RsaKeyPairGeneration) {
    Sweep(
        [] {
            KeyHandle* publicKey = nullptr;
            KeyHandle* privateKey = nullptr;
            const std::int32_t status = RsaGenerateKeyPair(&publicKey, &privateKey, 512);
            EXPECT_EQ(status == 0, publicKey != nullptr && privateKey != nullptr);
            RsaDestroyKey(&publicKey);
            RsaDestroyKey(&privateKey);
            return status;
        },
        kOutOfMemory);
}

TEST(AllocationSweep, RawRsaEnvelope) {
    const test::RawRsaTestKey key(1024, 65537, "SWEEPKEY");
    const test::TemporaryDirectory dir;
    const std::string path = dir.Write("key.txt", key.FileText());
    const Bytes plain = {0x00, 0x01, 0x02, 0xA5, 0x5A, 0xFF, 0x10};
    const auto wrap = [&](Bytes& buffer) {
        buffer.assign(10 + key.ModulusBytes(), 0xEE);
        std::memcpy(buffer.data(), plain.data(), plain.size());
        return RawRsaPublic(path.c_str(), buffer.data(), static_cast<std::uint32_t>(plain.size()));
    };
    Bytes wrapped;
    const std::int32_t wrappedLength = wrap(wrapped);
    ASSERT_GT(wrappedLength, 10);
    wrapped.resize(static_cast<std::size_t>(wrappedLength));

    Sweep(
        [&] {
            Bytes buffer;
            const std::int32_t status = wrap(buffer);
            if (status > 0) return 0;
            Bytes before(10 + key.ModulusBytes(), 0xEE);
            std::memcpy(before.data(), plain.data(), plain.size());
            EXPECT_EQ(buffer, before);
            return status;
        },
        {-1});
    Sweep(
        [&] {
            Bytes buffer = wrapped;
            const std::int32_t status = RawRsaPrivate(path.c_str(), buffer.data(),
                                                      static_cast<std::uint32_t>(buffer.size()));
            if (status > 0) {
                EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + status), plain);
                return 0;
            }
            EXPECT_EQ(buffer, wrapped);
            return status;
        },
        {-6});
}

TEST(AllocationSweep, SelfTest) {
    // The test program is its own module: attached, it has the integrity check's reference.
    (void)platform::ModuleEntry(platform::kProcessAttach);
    Sweep([] { return SelfTest() == 1 ? 0 : -1; }, {-1});
}

}  // namespace
}  // namespace quillon
