// The CryptoAPI token methods against the system's CryptoAPI: a key container made by the test,
// a block signed through the token method and verified with the container's public key by
// OpenSSL, and a type-2 block that OpenSSL encrypted, decrypted through the exponent-one export.
#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <string>
#include <vector>

#include "common/status_printer.h"
#include "toolkit/provider/capi_reference_bytes.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kProvider[] = MS_ENHANCED_PROV_A;

// A fresh key container with a 1024-bit exchange key, deleted at the end; its public key as an
// OpenSSL key.
class CapiContainer {
  public:
    CapiContainer() : name_("QuillonTest-" + std::to_string(GetCurrentProcessId())) {
        CryptAcquireContextA(&context_, name_.c_str(), kProvider, PROV_RSA_FULL,
                             CRYPT_DELETEKEYSET);
        context_ = 0;
        if (!CryptAcquireContextA(&context_, name_.c_str(), kProvider, PROV_RSA_FULL,
                                  CRYPT_NEWKEYSET)) {
            return;
        }
        HCRYPTKEY key = 0;
        if (!CryptGenKey(context_, AT_KEYEXCHANGE, (1024u << 16) | CRYPT_EXPORTABLE, &key)) return;
        DWORD length = 0;
        CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &length);
        Bytes blob(length);
        const bool exported = CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &length);
        CryptDestroyKey(key);
        // The container keeps the key for other contexts once this one lets it go.
        CryptReleaseContext(context_, 0);
        context_ = 0;
        if (!exported) return;
        // BLOBHEADER, RSAPUBKEY {magic, bit length, exponent}, modulus least significant first.
        const auto* header = reinterpret_cast<const RSAPUBKEY*>(blob.data() + sizeof(BLOBHEADER));
        Bytes modulus(blob.begin() + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY),
                      blob.begin() + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + header->bitlen / 8);
        std::reverse(modulus.begin(), modulus.end());
        rsa_ = RSA_new();
        BIGNUM* e = BN_new();
        BN_set_word(e, header->pubexp);
        RSA_set0_key(rsa_, BN_bin2bn(modulus.data(), static_cast<int>(modulus.size()), nullptr), e,
                     nullptr);
    }
    ~CapiContainer() {
        RSA_free(rsa_);
        if (context_ != 0) CryptReleaseContext(context_, 0);
        HCRYPTPROV deleted = 0;
        CryptAcquireContextA(&deleted, name_.c_str(), kProvider, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    }
    CapiContainer(const CapiContainer&) = delete;
    CapiContainer& operator=(const CapiContainer&) = delete;

    [[nodiscard]] RSA* rsa() const { return rsa_; }
    [[nodiscard]] const std::string& name() const { return name_; }

  private:
    std::string name_;
    HCRYPTPROV context_ = 0;
    RSA* rsa_ = nullptr;
};

// The provider's chooser, a key object naming the container, an InfoRsaPkcsPrivate object.
struct Pkcs1ThroughCapi {
    TokenChooser* chooser = nullptr;
    KeyObject* key = nullptr;
    AlgObject* object = nullptr;
    explicit Pkcs1ThroughCapi(const std::string& container) {
        EXPECT_EQ(TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                    kProviderTokenCount, &chooser),
                  kOk);
        std::string manufacturer = test::kCapiManufacturer;
        std::string data =
            test::CapiReferenceData(container, kProvider, PROV_RSA_FULL, AT_KEYEXCHANGE);
        const CapiKeyReference reference{test::ItemOf(manufacturer), test::ItemOf(data)};
        EXPECT_EQ(KeyCreate(&key), kOk);
        EXPECT_EQ(KeySetInfo(key, KeyInfoCapiReference, &reference), kOk);
        EXPECT_EQ(AlgCreate(&object), kOk);
        EXPECT_EQ(AlgSetInfo(object, InfoRsaPkcsPrivate, nullptr), kOk);
    }
    ~Pkcs1ThroughCapi() {
        (void)AlgDestroy(&object);
        (void)KeyDestroy(&key);
        TokenChooserRelease(&chooser);
    }
    Pkcs1ThroughCapi(const Pkcs1ThroughCapi&) = delete;
    Pkcs1ThroughCapi& operator=(const Pkcs1ThroughCapi&) = delete;
};

TEST(CapiTokenWin32Test, BothMethodsTakePart) {
    TokenChooser* chooser = nullptr;
    ASSERT_EQ(TokenChooserBuild(kProviderMethods, kProviderMethodCount, kProviderTokens,
                                kProviderTokenCount, &chooser),
              kOk);
    EXPECT_EQ(chooser->sessionCount, 2u);
    TokenChooserRelease(&chooser);
}

TEST(CapiTokenWin32Test, SignsWithTheContainersKey) {
    CapiContainer container;
    ASSERT_NE(container.rsa(), nullptr);
    Pkcs1ThroughCapi capi(container.name());
    ASSERT_EQ(AlgEncryptInit(capi.object, capi.key, capi.chooser->entries, nullptr), kOk);
    Bytes hash(20);
    SHA1(reinterpret_cast<const std::uint8_t*>("signed through CryptoAPI"), 24, hash.data());
    const std::uint8_t kSha1Info[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                      0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    Bytes block(kSha1Info, kSha1Info + sizeof kSha1Info);
    block.insert(block.end(), hash.begin(), hash.end());
    Bytes signature(128);
    std::uint32_t length = 0;
    ASSERT_EQ(AlgEncryptUpdate(capi.object, signature.data(), &length, 128, block.data(), 35,
                               nullptr, nullptr),
              kOk);
    ASSERT_EQ(AlgEncryptFinal(capi.object, signature.data(), &length, 128, nullptr, nullptr), kOk);
    ASSERT_EQ(length, 128u);
    EXPECT_EQ(RSA_verify(NID_sha1, hash.data(), 20, signature.data(), 128, container.rsa()), 1);
}

TEST(CapiTokenWin32Test, DecryptsThroughTheExponentOneExport) {
    CapiContainer container;
    ASSERT_NE(container.rsa(), nullptr);
    for (const std::size_t size : {16u, 24u}) {  // an RC4 key, then a triple-DES key
        SCOPED_TRACE(size);
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(0x11 * i + 1);
        Bytes ciphertext(128);
        ASSERT_EQ(RSA_public_encrypt(static_cast<int>(size), data.data(), ciphertext.data(),
                                     container.rsa(), RSA_PKCS1_PADDING),
                  128);
        Pkcs1ThroughCapi capi(container.name());
        ASSERT_EQ(AlgDecryptInit(capi.object, capi.key, capi.chooser->entries, nullptr), kOk);
        Bytes plain(128);
        std::uint32_t length = 0;
        ASSERT_EQ(AlgDecryptUpdate(capi.object, plain.data(), &length, 128, ciphertext.data(), 128,
                                   nullptr, nullptr),
                  kOk);
        ASSERT_EQ(AlgDecryptFinal(capi.object, plain.data(), &length, 128, nullptr, nullptr), kOk);
        plain.resize(length);
        EXPECT_EQ(plain, data);
    }
}

}  // namespace
}  // namespace quillon::toolkit::provider
