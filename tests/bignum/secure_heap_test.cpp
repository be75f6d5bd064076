// Secret numbers take their limbs from libcrypto's secure heap where one exists: the DLL sets up
// its own at the first big number; on Linux the application chooses, and this test plays that
// part. A full secure heap is out of memory: the exports say so with their out-of-memory status
// and work again once room is back.
#include <gtest/gtest.h>
#include <openssl/crypto.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "bignum/bignum.h"
#include "common/openssl_rsa.h"
#include "quillon.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
using bignum::Mpi;
using bignum::MpiKind;

// The exports' own -1 and the toolkit's 0x206.
const std::set<std::int32_t> kOutOfMemory = {-1, 0x206};

class SecureHeap : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        (void)test::OpensslKey(1024);  // the oracle's key, made outside the heap under test
#ifndef _WIN32
        // What an application does for the process: libcrypto is shared here.
        ASSERT_NE(CRYPTO_secure_malloc_init(64 * 1024, 16), 0);
#endif
    }
    static void TearDownTestSuite() {
#ifndef _WIN32
        // Refused while a block is still in use: nothing the module made may be left there.
        EXPECT_EQ(CRYPTO_secure_malloc_done(), 1);
#endif
    }
};

// Takes every block the secure heap has left, largest first, and gives them back when it ends.
class SecureHeapFiller {
  public:
    SecureHeapFiller() {
        for (std::size_t size = std::size_t{1} << 24; size != 0; size /= 2) {
            while (void* block = OPENSSL_secure_malloc(size)) blocks_.push_back(block);
        }
    }
    ~SecureHeapFiller() {
        for (void* block : blocks_) OPENSSL_secure_free(block);
    }
    SecureHeapFiller(const SecureHeapFiller&) = delete;
    SecureHeapFiller& operator=(const SecureHeapFiller&) = delete;

  private:
    std::vector<void*> blocks_;
};

TEST_F(SecureHeap, HoldsTheLimbsOfSecretNumbersOnly) {
    Mpi secret = Mpi::Make(MpiKind::kSecret, 2048);
    ASSERT_FALSE(secret.empty());
    // Made by the number above at the latest (otherwise the filler would take ordinary memory).
    ASSERT_EQ(CRYPTO_secure_malloc_initialized(), 1);
    const std::size_t used = CRYPTO_secure_used();
    EXPECT_GE(used, std::size_t{2048 / 8});
    Mpi open = Mpi::Make(MpiKind::kPublic, 2048);
    ASSERT_FALSE(open.empty());
    EXPECT_EQ(CRYPTO_secure_used(), used);
    secret.Reset();
    EXPECT_LT(CRYPTO_secure_used(), used);
}

TEST_F(SecureHeap, FullIsOutOfMemoryForEveryExportThatHoldsASecret) {
    ASSERT_FALSE(Mpi::Make(MpiKind::kSecret).empty());
    ASSERT_EQ(CRYPTO_secure_malloc_initialized(), 1);
    const test::OpensslRsaKey& key = test::OpensslKey(1024);
    const DhKeyAgreeParams* group = nullptr;
    ASSERT_EQ(DhGetGroup(&group, 2), 0);
    const Bytes digestInfo(35, 0x5A);

    KeyHandle* signer = nullptr;
    ASSERT_EQ(RsaCreatePrivateKey(&signer, key.pkcs8.data(),
                                  static_cast<std::uint32_t>(key.pkcs8.size())),
              0);
    const auto sign = [&] {
        Bytes out(key.size());
        std::uint32_t capacity = key.size();
        return RsaEncrypt(signer, digestInfo.data(), static_cast<std::uint32_t>(digestInfo.size()),
                          out.data(), &capacity);
    };
    const auto generate = [] {
        KeyHandle* publicKey = nullptr;
        KeyHandle* privateKey = nullptr;
        const std::int32_t status = RsaGenerateKeyPair(&publicKey, &privateKey, 512);
        EXPECT_EQ(status == 0, publicKey != nullptr && privateKey != nullptr);
        RsaDestroyKey(&publicKey);
        RsaDestroyKey(&privateKey);
        return status;
    };
    const auto agree = [&] {
        Item* publicValue = nullptr;
        DhKeyPair* pair = nullptr;
        const std::int32_t status = DhGenerateKeyPair(&publicValue, &pair, group);
        EXPECT_EQ(status == 0, pair != nullptr && publicValue != nullptr);
        DhFreeBuffer(&publicValue);
        DhDestroyKeyPair(&pair);
        return status;
    };
    struct Case {
        const char* name;
        std::function<std::int32_t()> call;
    } const kCases[] = {{"RsaGenerateKeyPair", generate},
                        {"RsaEncrypt with a private key", sign},
                        {"DhGenerateKeyPair", agree}};

    {
        SecureHeapFiller filler;
        ASSERT_EQ(OPENSSL_secure_malloc(1), nullptr);
        EXPECT_TRUE(Mpi::Make(MpiKind::kSecret, 64).empty());
        EXPECT_FALSE(Mpi::Make(MpiKind::kPublic, 64).empty());
        for (const Case& c : kCases) {
            const std::int32_t status = c.call();
            EXPECT_TRUE(kOutOfMemory.contains(status)) << c.name << ": " << status;
        }
    }
    for (const Case& c : kCases) {
        EXPECT_EQ(c.call(), 0) << c.name;
    }
    RsaDestroyKey(&signer);
}

}  // namespace
}  // namespace quillon
