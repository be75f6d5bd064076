// The CryptoAPI token methods in the provider's chooser, against the fake CryptoAPI (an OpenSSL
// key behind the CryptoAPI calls): signing and decryption through the PKCS #1 kinds, the key
// reference rules within the chooser walk, token failures, and sessions that cannot open.
#include <gtest/gtest.h>
#include <openssl/md5.h>
#include <openssl/objects.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstring>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "fakes/crypto_api_fake.h"
#include "toolkit/methods/methods.h"
#include "toolkit/provider/capi_reference_bytes.h"
#include "toolkit/provider/capi_session.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FakeCapi;

constexpr std::uint8_t kMd5Info[] = {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                     0x86, 0xF7, 0x0D, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};
constexpr std::uint8_t kSha1Info[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                      0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};

// The provider's chooser, a key object and an algorithm object, released in the right order.
struct CapiFixture {
    TokenChooser* chooser = nullptr;
    KeyObject* key = nullptr;
    AlgObject* object = nullptr;
    CapiFixture() {
        EXPECT_EQ(TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                    kProviderTokenCount, &chooser),
                  kOk);
        EXPECT_EQ(KeyCreate(&key), kOk);
    }
    ~CapiFixture() {
        (void)AlgDestroy(&object);
        (void)KeyDestroy(&key);
        TokenChooserRelease(&chooser);
    }
    CapiFixture(const CapiFixture&) = delete;
    CapiFixture& operator=(const CapiFixture&) = delete;

    Status SetReference(std::string manufacturer, std::string data) {
        const CapiKeyReference reference{test::ItemOf(manufacturer), test::ItemOf(data)};
        return KeySetInfo(key, KeyInfoCapiReference, &reference);
    }
    Status SetFakeContainer() {
        const auto& f = FakeCapi();
        return SetReference(
            test::kCapiManufacturer,
            test::CapiReferenceData(f.container, f.provider, f.providerType, f.keySpec));
    }
    // AlgEncryptInit (signing) or AlgDecryptInit with InfoRsaPkcsPrivate.
    Status Init(bool encrypt) {
        EXPECT_EQ(AlgCreate(&object), kOk);
        EXPECT_EQ(AlgSetInfo(object, InfoRsaPkcsPrivate, nullptr), kOk);
        return encrypt ? AlgEncryptInit(object, key, chooser->entries, nullptr)
                       : AlgDecryptInit(object, key, chooser->entries, nullptr);
    }
    // Update and final of the initialised object; the status of the first that fails.
    Status Run(bool encrypt, const Bytes& in, Bytes& out) {
        std::uint32_t length = 0;
        out.assign(600, 0);
        Status status =
            encrypt ? AlgEncryptUpdate(object, out.data(), &length, 600, in.data(),
                                       static_cast<std::uint32_t>(in.size()), nullptr, nullptr)
                    : AlgDecryptUpdate(object, out.data(), &length, 600, in.data(),
                                       static_cast<std::uint32_t>(in.size()), nullptr, nullptr);
        if (status != kOk) return status;
        status = encrypt ? AlgEncryptFinal(object, out.data(), &length, 600, nullptr, nullptr)
                         : AlgDecryptFinal(object, out.data(), &length, 600, nullptr, nullptr);
        out.resize(status == kOk ? length : 0);
        return status;
    }
    std::uint32_t LastError(const TokenMethod& token) const {
        for (std::uint32_t i = 0; i < chooser->sessionCount; ++i) {
            if (chooser->sessions[i].token == &token) {
                return static_cast<const CapiSession*>(chooser->sessions[i].session)->lastError;
            }
        }
        return 0;
    }
};

class CapiTokenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ResetFakeCapi();
        FakeCapi().present = true;
        FakeCapi().rsa = test::OpensslKey(1024).rsa;
    }
    void TearDown() override {
        EXPECT_EQ(FakeCapi().liveHandles, 0);
        EXPECT_EQ(FakeCapi().loads, FakeCapi().frees);
        test::ResetFakeCapi();  // absent again for the other tests of the program
    }
};

Bytes Concat(const std::uint8_t* prefix, std::size_t prefixLength, const Bytes& hash) {
    Bytes out(prefix, prefix + prefixLength);
    out.insert(out.end(), hash.begin(), hash.end());
    return out;
}

TEST_F(CapiTokenTest, ChooserHoldsBothMethodsInTheirPlace) {
    CapiFixture fixture;
    EXPECT_EQ(fixture.chooser->sessionCount, 2u);
    EXPECT_STREQ(TokenChooserName(*fixture.chooser),
                 "TOKEN_RSA_CRT_ENCRYPT.QUILLON_CAPI.com.quillon");
    EXPECT_STREQ(fixture.chooser->sessions[1].token->name,
                 "TOKEN_RSA_CRT_DECRYPT.QUILLON_CAPI.com.quillon");
    EXPECT_EQ(fixture.chooser->entries[2], &fixture.chooser->sessions[0].method);
    EXPECT_EQ(fixture.chooser->entries[3], &fixture.chooser->sessions[1].method);
    EXPECT_EQ(fixture.chooser->entries[4], &methods::kRsaRawPrivateEncryptMethod);
    EXPECT_EQ(fixture.chooser->entries[30], nullptr);
    EXPECT_EQ(FakeCapi().loads, 2);
}

TEST_F(CapiTokenTest, SignsEveryHashFormItAccepts) {
    const Bytes message = {'s', 'i', 'g', 'n', ' ', 'm', 'e'};
    Bytes md5(16), sha1(20);
    MD5(message.data(), message.size(), md5.data());
    SHA1(message.data(), message.size(), sha1.data());
    struct Case {
        const char* name;
        Bytes payload;
        std::uint32_t algorithm, flags;
        int nid;  // verified with the DigestInfo of this digest, or 0: as a bare payload
    } const cases[] = {
        {"MD5 DigestInfo", Concat(kMd5Info, sizeof kMd5Info, md5), capi::kCalgMd5, 0, NID_md5},
        {"SHA-1 DigestInfo", Concat(kSha1Info, sizeof kSha1Info, sha1), capi::kCalgSha1, 0,
         NID_sha1},
        {"bare MD5 hash", md5, capi::kCalgMd5, capi::kNoHashOid, 0},
        {"bare SHA-1 hash", sha1, capi::kCalgSha1, capi::kNoHashOid, 0},
    };
    RSA* rsa = FakeCapi().rsa;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CapiFixture fixture;
        ASSERT_EQ(fixture.SetFakeContainer(), kOk);
        ASSERT_EQ(fixture.Init(true), kOk);
        Bytes signature;
        ASSERT_EQ(fixture.Run(true, c.payload, signature), kOk);
        EXPECT_EQ(FakeCapi().hashAlgorithm, c.algorithm);
        EXPECT_EQ(FakeCapi().signFlags, c.flags);
        EXPECT_EQ(FakeCapi().signKeySpecs, (std::vector<std::uint32_t>{capi::kAtSignature}));
        ASSERT_EQ(signature.size(), 128u);
        if (c.nid != 0) {
            const Bytes& hash = c.nid == NID_md5 ? md5 : sha1;
            EXPECT_EQ(RSA_verify(c.nid, hash.data(), static_cast<unsigned>(hash.size()),
                                 signature.data(), 128, rsa),
                      1);
        } else {
            Bytes recovered(128);
            const int got =
                RSA_public_decrypt(128, signature.data(), recovered.data(), rsa, RSA_PKCS1_PADDING);
            recovered.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
            EXPECT_EQ(recovered, c.payload);
        }
        FakeCapi().signKeySpecs.clear();
    }
}

TEST_F(CapiTokenTest, SigningFallsBackToTheExchangeKey) {
    FakeCapi().signatureKeyFails = true;
    CapiFixture fixture;
    ASSERT_EQ(fixture.SetFakeContainer(), kOk);
    ASSERT_EQ(fixture.Init(true), kOk);
    Bytes signature;
    EXPECT_EQ(fixture.Run(true, Bytes(20, 0xAB), signature), kOk);
    EXPECT_EQ(FakeCapi().signKeySpecs,
              (std::vector<std::uint32_t>{capi::kAtSignature, capi::kAtKeyExchange}));
}

TEST_F(CapiTokenTest, SigningRefusals) {
    struct Case {
        const char* name;
        Bytes payload;
        bool moreData;
        Status status;
    } const cases[] = {
        {"payload of no known hash form", Bytes(30, 1), false, kDataMalformed},
        {"DigestInfo with a wrong prefix byte", Bytes(35, 0x30), false, kDataMalformed},
        {"signature larger than the buffer", Bytes(20, 1), true, kOutputTooSmall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCapi().signMoreData = c.moreData;
        CapiFixture fixture;
        ASSERT_EQ(fixture.SetFakeContainer(), kOk);
        ASSERT_EQ(fixture.Init(true), kOk);
        Bytes signature;
        EXPECT_EQ(fixture.Run(true, c.payload, signature), c.status);
        if (c.moreData) {
            EXPECT_EQ(FakeCapi().signKeySpecs.size(), 1u);  // no second attempt
        }
        FakeCapi().signKeySpecs.clear();
    }
}

TEST_F(CapiTokenTest, SignBlockRules) {
    // The transform itself, for blocks the PKCS #1 layer never makes.
    CapiSession session{};
    CapiBoundKey bound{&session, 1, 2, 64};
    Bytes block(64, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    block[64 - 21] = 0x00;  // then a bare SHA-1 hash of 20 bytes
    struct Case {
        const char* name;
        std::size_t at;
        std::uint8_t value;
        std::uint32_t length;
        MethodStatus status;
    } const cases[] = {
        {"44 bytes", 0, 0x00, 44, method::kLengthOutOfRange},
        {"first byte not zero", 0, 0x01, 64, method::kDataMalformed},
        {"block type 2", 1, 0x02, 64, method::kDataMalformed},
        {"no 0xFF padding", 2, 0x00, 64, method::kDataMalformed},
        {"padding byte not 0xFF", 10, 0xFE, 64, method::kDataMalformed},
        {"no separator", 64 - 21, 0xFF, 64, method::kDataMalformed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes in = block;
        in[c.at] = c.value;
        Bytes out(64);
        std::uint32_t outLength = 0;
        EXPECT_EQ(CapiSignBlock(&bound, out.data(), &outLength, 64, in.data(), c.length), c.status);
    }
}

TEST_F(CapiTokenTest, DecryptsThroughTheExponentOneExport) {
    RSA* rsa = FakeCapi().rsa;
    struct Case {
        const char* name;
        std::size_t dataLength;
        std::vector<std::uint32_t> imports;
    } const cases[] = {
        {"RC4-sized payload", 16, {capi::kCalgRc4}},
        {"short payload", 5, {capi::kCalgRc4}},
        {"triple-DES-sized payload", 24, {capi::kCalgRc4, capi::kCalg3Des}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCapi().importedSessionAlgorithms.clear();
        Bytes data(c.dataLength);
        RAND_bytes(data.data(), static_cast<int>(data.size()));
        Bytes ciphertext(128);
        ASSERT_EQ(RSA_public_encrypt(static_cast<int>(data.size()), data.data(), ciphertext.data(),
                                     rsa, RSA_PKCS1_PADDING),
                  128);
        CapiFixture fixture;
        ASSERT_EQ(fixture.SetFakeContainer(), kOk);
        ASSERT_EQ(fixture.Init(false), kOk);
        Bytes plain;
        ASSERT_EQ(fixture.Run(false, ciphertext, plain), kOk);
        EXPECT_EQ(plain, data);
        EXPECT_EQ(FakeCapi().importedSessionAlgorithms, c.imports);
    }
}

TEST_F(CapiTokenTest, DecryptRefusals) {
    // Not a session key CryptoAPI can take (too long for RC4 and for triple DES).
    Bytes data(40, 7);
    Bytes ciphertext(128);
    ASSERT_EQ(
        RSA_public_encrypt(40, data.data(), ciphertext.data(), FakeCapi().rsa, RSA_PKCS1_PADDING),
        128);
    {
        CapiFixture fixture;
        ASSERT_EQ(fixture.SetFakeContainer(), kOk);
        ASSERT_EQ(fixture.Init(false), kOk);
        Bytes plain;
        EXPECT_EQ(fixture.Run(false, ciphertext, plain), kDeviceFailure);
        EXPECT_EQ(fixture.LastError(kCapiDecryptToken), 0x80090005u);
    }
    // One byte short of the modulus.
    CapiFixture fixture;
    ASSERT_EQ(fixture.SetFakeContainer(), kOk);
    ASSERT_EQ(fixture.Init(false), kOk);
    Bytes plain;
    EXPECT_EQ(fixture.Run(false, Bytes(127, 1), plain), kLengthOutOfRange);
}

TEST_F(CapiTokenTest, KeyLengthUnknownIsTakenAs4096Bits) {
    FakeCapi().keyLengthFails = true;
    CapiFixture fixture;
    ASSERT_EQ(fixture.SetFakeContainer(), kOk);
    ASSERT_EQ(fixture.Init(true), kOk);
    Bytes sha1(20, 3);
    Bytes signature;
    ASSERT_EQ(fixture.Run(true, sha1, signature), kOk);
    ASSERT_EQ(signature.size(), 512u);
    EXPECT_EQ(Bytes(signature.begin(), signature.begin() + 384), Bytes(384, 0));
    // The real signature stands right-aligned in the 512 bytes.
    Bytes recovered(128);
    ASSERT_EQ(RSA_public_decrypt(128, signature.data() + 384, recovered.data(), FakeCapi().rsa,
                                 RSA_PKCS1_PADDING),
              20);
    recovered.resize(20);
    EXPECT_EQ(recovered, sha1);
}

// A reference that does not parse makes the CryptoAPI method unusable (0x20F); the walk goes on
// to the software method, which finds no private key in the reference either.
TEST_F(CapiTokenTest, ReferenceMismatchIsKeyFormUnavailable) {
    const auto& f = FakeCapi();
    const std::string data = test::CapiReferenceData(f.container, f.provider, 1, 1);
    struct Case {
        const char* name;
        std::string manufacturer, data;
    } const cases[] = {
        {"manufacturer differs in one byte", "Quillon Cert CryptoAPI ModulE" + std::string(1, '\0'),
         data},
        {"data one byte long", test::kCapiManufacturer, data + '\0'},
        {"data one byte short", test::kCapiManufacturer, data.substr(0, data.size() - 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool encrypt : {true, false}) {
            CapiFixture fixture;
            ASSERT_EQ(fixture.SetReference(c.manufacturer, c.data), kOk);
            EXPECT_EQ(fixture.Init(encrypt), kKeyFormUnavailable);
            EXPECT_EQ(FakeCapi().liveHandles, 0);
        }
    }
}

// Token failures stop the walk with 0x20B and record the system error.
TEST_F(CapiTokenTest, TokenFailuresAre0x20B) {
    struct Case {
        const char* name;
        std::string container;
        std::uint32_t keySpec;
        std::uint32_t error;
    } const cases[] = {
        {"unknown container", "other", 1, 0x80090016},
        {"no key of that kind", "vpn", 2, 0x8009000D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CapiFixture fixture;
        ASSERT_EQ(fixture.SetReference(
                      test::kCapiManufacturer,
                      test::CapiReferenceData(c.container, FakeCapi().provider, 1, c.keySpec)),
                  kOk);
        EXPECT_EQ(fixture.Init(true), kDeviceFailure);
        EXPECT_EQ(fixture.LastError(kCapiEncryptToken), c.error);
    }
}

TEST_F(CapiTokenTest, SoftwareKeysStillSignInSoftware) {
    const auto& ossl = test::OpensslKey(1024);
    CapiFixture fixture;
    std::vector<std::uint8_t> der = ossl.pkcs8;
    const Item item{der.data(), static_cast<std::uint32_t>(der.size())};
    ASSERT_EQ(KeySetInfo(fixture.key, KeyInfoRsaPrivateBer, &item), kOk);
    ASSERT_EQ(fixture.Init(true), kOk);
    Bytes sha1(20, 9);
    Bytes signature;
    ASSERT_EQ(fixture.Run(true, Concat(kSha1Info, sizeof kSha1Info, sha1), signature), kOk);
    EXPECT_EQ(RSA_verify(NID_sha1, sha1.data(), 20, signature.data(), 128, ossl.rsa), 1);
    EXPECT_TRUE(FakeCapi().signKeySpecs.empty());
}

TEST_F(CapiTokenTest, MissingLibraryOrFunctionTakesNoPart) {
    const char* const signing[] = {"CryptCreateHash", "CryptSetHashParam", "CryptSignHashA",
                                   "CryptDestroyHash"};
    const char* const decrypting[] = {"CryptImportKey", "CryptExportKey"};
    const char* const common[] = {"CryptAcquireContextA", "CryptReleaseContext", "CryptGetUserKey",
                                  "CryptGetKeyParam", "CryptDestroyKey"};
    const auto sessions = [] {
        TokenChooser* chooser = nullptr;
        EXPECT_EQ(TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                    kProviderTokenCount, &chooser),
                  kOk);
        std::vector<const TokenMethod*> opened;
        for (std::uint32_t i = 0; i < chooser->sessionCount; ++i) {
            opened.push_back(chooser->sessions[i].token);
        }
        std::size_t entries = 0;
        while (chooser->entries[entries] != nullptr) ++entries;
        EXPECT_EQ(entries, 28 + opened.size());
        TokenChooserRelease(&chooser);
        return opened;
    };
    for (const char* name : signing) {
        FakeCapi().missing = {name};
        EXPECT_EQ(sessions(), std::vector<const TokenMethod*>{&kCapiDecryptToken}) << name;
    }
    for (const char* name : decrypting) {
        FakeCapi().missing = {name};
        EXPECT_EQ(sessions(), std::vector<const TokenMethod*>{&kCapiEncryptToken}) << name;
    }
    for (const char* name : common) {
        FakeCapi().missing = {name};
        EXPECT_TRUE(sessions().empty()) << name;
    }
    FakeCapi().missing.clear();
    FakeCapi().present = false;
    EXPECT_TRUE(sessions().empty());
}

// Out of memory while the sessions open: the chooser is not built and nothing stays loaded.
TEST_F(CapiTokenTest, AllocationFailureWhileOpening) {
    const int allocations = test::ForEachAllocationFailure([](int failing) {
        TokenChooser* chooser = nullptr;
        const Status status = TokenChooserBuild(kProviderMethods, kProviderMethodCount,
                                                kProviderTokens, kProviderTokenCount, &chooser);
        if (status == kOk) {
            EXPECT_EQ(chooser->sessionCount, 2u) << failing;
            TokenChooserRelease(&chooser);
        } else {
            EXPECT_EQ(status, kOutOfMemory) << failing;
            EXPECT_EQ(chooser, nullptr);
        }
        EXPECT_EQ(FakeCapi().loads, FakeCapi().frees) << failing;
    });
    EXPECT_EQ(allocations, 3);  // the chooser and the two sessions
}

}  // namespace
}  // namespace quillon::toolkit::provider
