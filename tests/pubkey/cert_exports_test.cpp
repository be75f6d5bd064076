// The certificate exports through the public header, and the module's certificate context.
#include <gtest/gtest.h>
#include <openssl/pkcs7.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_certificates.h"
#include "common/openssl_rsa.h"
#include "quillon.h"
#include "toolkit/provider/module_cert_context.h"
#include "toolkit/provider/quillon_crypto_provider.h"

namespace {

using quillon::test::CertBytes;
using quillon::test::CertRecipe;
namespace cert = quillon::toolkit::cert;
namespace provider = quillon::toolkit::provider;

CertRecipe Recipe() {
    CertRecipe recipe;
    recipe.subject = {{"C", V_ASN1_PRINTABLESTRING, "DE"},
                      {"CN", V_ASN1_UTF8STRING, "Alice, B."},
                      {"O", V_ASN1_UTF8STRING, "Quillon", false}};
    recipe.issuer = {{"CN", V_ASN1_UTF8STRING, "#Root"}};
    return recipe;
}

// A handle value no export may leave behind after a failure.
CertHandle* Sentinel() {
    return reinterpret_cast<CertHandle*>(std::uintptr_t{0x10});
}

const char* const kUntouched = "untouched";

TEST(CertExports, ImportNamesAndMessage) {
    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    CertHandle* handle = Sentinel();
    ASSERT_EQ(CertCreateFromDer(&handle, der.data(), static_cast<uint32_t>(der.size())), 0);
    ASSERT_NE(handle, nullptr);

    const char* subject = nullptr;
    const char* issuer = nullptr;
    ASSERT_EQ(CertGetNames(&subject, &issuer, handle), 0);
    // OpenSSL puts the members of a relative distinguished name in DER order.
    EXPECT_STREQ(subject, "c=DE,o=Quillon+cn=Alice\\, B.");
    EXPECT_STREQ(issuer, "cn=\\#Root");
    const char* subjectAgain = nullptr;
    const char* issuerAgain = nullptr;
    ASSERT_EQ(CertGetNames(&subjectAgain, &issuerAgain, handle), 0);
    EXPECT_EQ(subjectAgain, subject);
    EXPECT_EQ(issuerAgain, issuer);

    // Measure with a generous buffer, then exactly and one byte short.
    std::vector<uint8_t> out(der.size() + 100, 0xAA);
    uint32_t capacity = static_cast<uint32_t>(out.size());
    ASSERT_EQ(CertBuildPkcs7(out.data(), &capacity, handle), 0);
    const uint32_t length = capacity;
    const std::vector<uint8_t> message(out.begin(), out.begin() + length);
    capacity = length - 1;
    std::fill(out.begin(), out.end(), 0xAA);
    EXPECT_EQ(CertBuildPkcs7(out.data(), &capacity, handle), -1);
    EXPECT_EQ(capacity, length - 1);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xAA; }));
    capacity = length;
    ASSERT_EQ(CertBuildPkcs7(out.data(), &capacity, handle), 0);
    EXPECT_EQ(capacity, length);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + length), message);

    // A DER SEQUENCE whose first element is the signedData identifier, holding the certificate.
    const uint8_t signedData[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
    ASSERT_GT(message.size(), 4u + sizeof signedData);
    EXPECT_EQ(message[0], 0x30);
    EXPECT_EQ(std::memcmp(message.data() + 4, signedData, sizeof signedData), 0);
    EXPECT_NE(std::search(message.begin(), message.end(), der.begin(), der.end()), message.end());
    const unsigned char* at = message.data();
    PKCS7* pkcs7 = d2i_PKCS7(nullptr, &at, static_cast<long>(message.size()));
    ASSERT_NE(pkcs7, nullptr);
    ASSERT_EQ(sk_X509_num(pkcs7->d.sign->cert), 1);
    EXPECT_EQ(quillon::test::DerOf(sk_X509_value(pkcs7->d.sign->cert, 0)), der);
    PKCS7_free(pkcs7);

    CertDestroy(&handle);
    EXPECT_EQ(handle, nullptr);
}

TEST(CertExports, RefusedImports) {
    const CertBytes good = quillon::test::MakeCertificate(Recipe());
    CertRecipe reversed = Recipe();
    reversed.notBefore = "20350101000000Z";
    reversed.notAfter = "20200101000000Z";
    CertBytes mismatched = good;
    // The tbsCertificate's algorithm comes first: sha256WithRSAEncryption becomes sha1's.
    const uint8_t sha256Rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B};
    const auto at = std::search(mismatched.begin(), mismatched.end(), std::begin(sha256Rsa),
                                std::end(sha256Rsa));
    ASSERT_NE(at, mismatched.end());
    at[8] = 0x05;
    const CertBytes reversedDer = quillon::test::MakeCertificate(reversed);
    const uint8_t notACertificate[] = {0x04, 0x01, 0x00};

    const struct {
        const char* what;
        const uint8_t* der;
        uint32_t length;
        uint32_t status;
    } cases[] = {
        {"null DER", nullptr, 100, CERT_E_DATA},
        {"zero length", good.data(), 0, CERT_E_DATA},
        {"validity reversed", reversedDer.data(), static_cast<uint32_t>(reversedDer.size()),
         CERT_E_VALIDITY_ORDER},
        {"algorithms differ", mismatched.data(), static_cast<uint32_t>(mismatched.size()),
         CERT_E_INCONSISTENT},
        {"cut short", good.data(), static_cast<uint32_t>(good.size() - 1), CERT_E_LENGTH},
        {"not a certificate", notACertificate, sizeof notACertificate, CERT_E_DATA},
    };
    for (const auto& c : cases) {
        CertHandle* handle = Sentinel();
        EXPECT_EQ(CertCreateFromDer(&handle, c.der, c.length), static_cast<int32_t>(c.status))
            << c.what;
        EXPECT_EQ(handle, nullptr) << c.what;
    }
    EXPECT_EQ(CertCreateFromDer(nullptr, good.data(), static_cast<uint32_t>(good.size())), -1);
}

// What a caller may get from one certificate, through every export that reads it.
struct CertView {
    std::string subject, issuer;
    std::vector<uint8_t> message, modulus, exponent;
    bool operator==(const CertView&) const = default;
};

CertView ViewOf(const std::vector<uint8_t>& der) {
    CertView view;
    CertHandle* handle = nullptr;
    EXPECT_EQ(CertCreateFromDer(&handle, der.data(), static_cast<uint32_t>(der.size())), 0);
    if (handle == nullptr) return view;
    const char* subject = nullptr;
    const char* issuer = nullptr;
    EXPECT_EQ(CertGetNames(&subject, &issuer, handle), 0);
    view.subject = subject != nullptr ? subject : "";
    view.issuer = issuer != nullptr ? issuer : "";
    view.message.resize(8192);
    uint32_t capacity = static_cast<uint32_t>(view.message.size());
    EXPECT_EQ(CertBuildPkcs7(view.message.data(), &capacity, handle), 0);
    view.message.resize(capacity);
    KeyHandle* key = nullptr;
    EXPECT_EQ(RsaKeyFromCertificate(&key, handle), 0);
    view.modulus.resize(1024);
    view.exponent.resize(1024);
    uint32_t modulusLength = 1024, exponentLength = 1024;
    EXPECT_EQ(RsaGetKeyInfo(key, view.modulus.data(), &modulusLength, view.exponent.data(),
                            &exponentLength),
              0);
    view.modulus.resize(modulusLength);
    view.exponent.resize(exponentLength);
    RsaDestroyKey(&key);
    CertDestroy(&handle);
    return view;
}

// A profile item may hold certificates back to back, and callers pass buffers as they got them:
// the first certificate is taken and the rest ignored, down to the PKCS #7 message.
TEST(CertExports, BytesAfterTheCertificateAreIgnored) {
    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    CertRecipe second = Recipe();
    second.subject = {{"CN", V_ASN1_UTF8STRING, "Bob"}};
    const CertBytes other = quillon::test::MakeCertificate(second);
    const CertView bare = ViewOf(der);
    ASSERT_EQ(bare.subject, "c=DE,o=Quillon+cn=Alice\\, B.");
    const struct {
        const char* what;
        CertBytes tail;
    } cases[] = {
        {"one byte", {0x42}},
        {"zeros", CertBytes(64, 0x00)},
        {"another certificate", other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CertBytes buffer = der;
        buffer.insert(buffer.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(ViewOf(buffer), bare);
    }
}

TEST(CertExports, EmptyHandles) {
    CertHandle* empty = nullptr;
    CertDestroy(&empty);
    EXPECT_EQ(empty, nullptr);
    CertDestroy(nullptr);

    const char* subject = kUntouched;
    const char* issuer = kUntouched;
    EXPECT_EQ(CertGetNames(&subject, &issuer, nullptr),
              static_cast<int32_t>(CERT_E_NOT_CERTIFICATE));
    EXPECT_EQ(subject, kUntouched);
    EXPECT_EQ(issuer, kUntouched);

    uint8_t out[16];
    uint32_t capacity = sizeof out;
    EXPECT_EQ(CertBuildPkcs7(out, &capacity, nullptr), -1);
    EXPECT_EQ(capacity, sizeof out);

    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    CertHandle* handle = nullptr;
    ASSERT_EQ(CertCreateFromDer(&handle, der.data(), static_cast<uint32_t>(der.size())), 0);
    EXPECT_EQ(CertBuildPkcs7(nullptr, &capacity, handle), -1);
    EXPECT_EQ(CertBuildPkcs7(out, nullptr, handle), -1);
    // Null places for the texts are skipped, not written.
    EXPECT_EQ(CertGetNames(nullptr, nullptr, handle), 0);
    CertDestroy(&handle);
}

TEST(CertExports, ModuleContextRegistersTheProvider) {
    cert::CertContext* context = provider::ModuleCertContext();
    ASSERT_TRUE(cert::IsCertContext(context));
    EXPECT_EQ(context, provider::ModuleCertContext());
    EXPECT_EQ(context->provider.serviceType, 2u);
    EXPECT_STREQ(context->provider.name, "Quillon Crypto");
    ASSERT_NE(context->providerState, nullptr);
    // No hardware random device here: the provider seeded from the system state.
    EXPECT_EQ(provider::ProviderSeedSource(*context->providerState),
              provider::SeedSource::kSystemState);
}

TEST(CertExports, AllocationFailures) {
    (void)provider::ModuleCertContext();  // made once, before any allocation is made to fail
    quillon::test::AllocationHookGuard guard;
    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    // Import: cell, object, DER copy, two name entry arrays; names: two texts; message: list,
    // its array, data and signed-data messages.
    constexpr int kImport = 5, kNames = 7, kAllocations = 11;
    const int allocations = quillon::test::ForEachAllocationFailure([&](int failing) {
        CertHandle* handle = Sentinel();
        const int32_t created =
            CertCreateFromDer(&handle, der.data(), static_cast<uint32_t>(der.size()));
        if (failing <= kImport) {
            EXPECT_EQ(created, failing == 1 ? -1 : static_cast<int32_t>(CERT_E_NO_MEMORY))
                << failing;
            EXPECT_EQ(handle, nullptr);
            return;
        }
        ASSERT_EQ(created, 0) << failing;
        const char* subject = kUntouched;
        const char* issuer = kUntouched;
        const int32_t names = CertGetNames(&subject, &issuer, handle);
        uint8_t out[4096];
        uint32_t capacity = sizeof out;
        const int32_t built = CertBuildPkcs7(out, &capacity, handle);
        // 0 only with both texts: a caller that trusts it never meets a null.
        EXPECT_EQ(names == 0, subject != nullptr && issuer != nullptr) << failing;
        if (failing == kImport + 1) {
            EXPECT_EQ(subject, nullptr);
            EXPECT_NE(issuer, nullptr);
            EXPECT_EQ(names, static_cast<int32_t>(CERT_E_NO_MEMORY));
        } else if (failing == kImport + 2) {
            EXPECT_EQ(issuer, nullptr);
            EXPECT_EQ(names, static_cast<int32_t>(CERT_E_NO_MEMORY));
        } else {
            EXPECT_EQ(names, 0);
            EXPECT_NE(subject, nullptr);
            EXPECT_NE(issuer, nullptr);
        }
        const bool messageFails = failing > kNames && failing <= kAllocations;
        EXPECT_EQ(built, messageFails ? -1 : 0) << failing;
        EXPECT_EQ(capacity == sizeof out, built != 0) << failing;
        CertDestroy(&handle);
    });
    EXPECT_EQ(allocations, kAllocations);
}

// OpenSSL's modulus and exponent of a key, big-endian without leading zeros.
std::pair<CertBytes, CertBytes> OpenSslRsaParts(EVP_PKEY* key) {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    EXPECT_EQ(EVP_PKEY_get_bn_param(key, "n", &n), 1);
    EXPECT_EQ(EVP_PKEY_get_bn_param(key, "e", &e), 1);
    std::pair<CertBytes, CertBytes> parts{quillon::test::BigNumBytes(n),
                                          quillon::test::BigNumBytes(e)};
    BN_free(n);
    BN_free(e);
    return parts;
}

std::pair<CertBytes, CertBytes> KeyParts(KeyHandle* key) {
    CertBytes modulus(1024), exponent(1024);
    uint32_t modulusLength = 1024, exponentLength = 1024;
    EXPECT_EQ(RsaGetKeyInfo(key, modulus.data(), &modulusLength, exponent.data(), &exponentLength),
              0);
    modulus.resize(modulusLength);
    exponent.resize(exponentLength);
    return {modulus, exponent};
}

TEST(RsaKeyFromCertificate, KeyOutlivesTheCertificate) {
    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    CertHandle* cert = nullptr;
    ASSERT_EQ(CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())), 0);
    KeyHandle* key = nullptr;
    ASSERT_EQ(RsaKeyFromCertificate(&key, cert), 0);
    CertDestroy(&cert);

    EVP_PKEY* signer = quillon::test::CertTestKey(false);
    EXPECT_EQ(KeyParts(key), OpenSslRsaParts(signer));
    // A PKCS #1 v1.5 type-1 block made by OpenSSL's private key opens with the copied key.
    const uint8_t data[] = "certificate key";
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(signer, nullptr);
    ASSERT_EQ(EVP_PKEY_sign_init(context), 1);
    ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING), 1);
    CertBytes block(128);
    size_t blockLength = block.size();
    ASSERT_EQ(EVP_PKEY_sign(context, block.data(), &blockLength, data, sizeof data), 1);
    EVP_PKEY_CTX_free(context);
    uint8_t out[128];
    uint32_t capacity = sizeof out;
    ASSERT_EQ(
        RsaPublicDecrypt(key, block.data(), static_cast<uint32_t>(blockLength), out, &capacity), 0);
    EXPECT_EQ(CertBytes(out, out + (sizeof out - capacity)), CertBytes(data, data + sizeof data));
    RsaDestroyKey(&key);
}

// The X.500 RSA identifier carries the key size as its parameter; the key is taken all the same.
// The certificate's key identifier is swapped for one of the same length in place.
TEST(RsaKeyFromCertificate, X500RsaIdentifierWithAKeySize) {
    CertBytes der = quillon::test::MakeCertificate(Recipe());
    const uint8_t rsaEncryption[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                     0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};
    const uint8_t x500Rsa[] = {0x30, 0x0D, 0x06, 0x04, 0x55, 0x08, 0x01, 0x01,
                               0x02, 0x05, 0x00, 0x80, 0x00, 0x00, 0x00};
    static_assert(sizeof rsaEncryption == sizeof x500Rsa);
    const auto at =
        std::search(der.begin(), der.end(), std::begin(rsaEncryption), std::end(rsaEncryption));
    ASSERT_NE(at, der.end());
    std::copy(std::begin(x500Rsa), std::end(x500Rsa), at);
    CertHandle* cert = nullptr;
    ASSERT_EQ(CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())), 0);
    KeyHandle* key = nullptr;
    ASSERT_EQ(RsaKeyFromCertificate(&key, cert), 0);
    EXPECT_EQ(KeyParts(key), OpenSslRsaParts(quillon::test::CertTestKey(false)));
    RsaDestroyKey(&key);
    CertDestroy(&cert);
}

TEST(RsaKeyFromCertificate, Refusals) {
    CertRecipe ec = Recipe();
    ec.ecKey = true;
    const CertBytes der = quillon::test::MakeCertificate(ec);
    CertHandle* cert = nullptr;
    ASSERT_EQ(CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())), 0);
    KeyHandle* key = reinterpret_cast<KeyHandle*>(std::uintptr_t{0x10});
    EXPECT_EQ(RsaKeyFromCertificate(&key, cert), 0x21E) << "an EC key is not RSA";
    EXPECT_EQ(key, nullptr);
    key = reinterpret_cast<KeyHandle*>(std::uintptr_t{0x10});
    EXPECT_EQ(RsaKeyFromCertificate(&key, nullptr), static_cast<int32_t>(CERT_E_NOT_CERTIFICATE));
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RsaKeyFromCertificate(nullptr, cert), -1);
    CertDestroy(&cert);
}

TEST(RsaKeyFromCertificate, AllocationFailures) {
    (void)provider::ModuleCertContext();
    const CertBytes der = quillon::test::MakeCertificate(Recipe());
    CertHandle* cert = nullptr;
    ASSERT_EQ(CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())), 0);
    const int allocations = quillon::test::ForEachAllocationFailure([&](int failing) {
        KeyHandle* key = nullptr;
        const int32_t status = RsaKeyFromCertificate(&key, cert);
        quillon::support::FailNthAllocation(0);
        if (failing == 1) {
            EXPECT_EQ(status, -1);
        } else if (status != 0) {
            EXPECT_EQ(status, 0x206) << failing;
        }
        EXPECT_EQ(key == nullptr, status != 0);
        RsaDestroyKey(&key);
    });
    EXPECT_GE(allocations, 3);
    CertDestroy(&cert);
}

// Every certificate of the system CA bundle through the exports: its RSA key (or 0x21E) as
// OpenSSL sees it, and its message as OpenSSL reads it back.
TEST(CertExports, SystemCaBundle) {
    const std::vector<CertBytes> bundle = quillon::test::SystemCaCertificates();
    ASSERT_GT(bundle.size(), 50u) << "install ca-certificates";
    for (const CertBytes& der : bundle) {
        const unsigned char* at = der.data();
        X509* x509 = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
        ASSERT_NE(x509, nullptr);
        CertHandle* cert = nullptr;
        ASSERT_EQ(CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())), 0);
        KeyHandle* key = nullptr;
        const int32_t status = RsaKeyFromCertificate(&key, cert);
        EVP_PKEY* publicKey = X509_get0_pubkey(x509);
        if (EVP_PKEY_get_base_id(publicKey) == EVP_PKEY_RSA) {
            ASSERT_EQ(status, 0);
            EXPECT_EQ(KeyParts(key), OpenSslRsaParts(publicKey));
        } else {
            EXPECT_EQ(status, 0x21E);
        }
        RsaDestroyKey(&key);

        std::vector<uint8_t> message(der.size() + 64);
        uint32_t capacity = static_cast<uint32_t>(message.size());
        ASSERT_EQ(CertBuildPkcs7(message.data(), &capacity, cert), 0);
        at = message.data();
        PKCS7* pkcs7 = d2i_PKCS7(nullptr, &at, capacity);
        ASSERT_NE(pkcs7, nullptr);
        ASSERT_EQ(sk_X509_num(pkcs7->d.sign->cert), 1);
        EXPECT_EQ(quillon::test::DerOf(sk_X509_value(pkcs7->d.sign->cert, 0)), der);
        PKCS7_free(pkcs7);
        CertDestroy(&cert);
        X509_free(x509);
    }
}

TEST(CertContextOnce, FailedCreationIsNotRepeated) {
    quillon::test::AllocationHookGuard guard;
    provider::CertContextOnce once;
    (void)quillon::support::CountAllocations();
    quillon::support::FailNthAllocation(1);
    EXPECT_EQ(once.Get(), nullptr);
    quillon::support::FailNthAllocation(0);
    (void)quillon::support::CountAllocations();
    EXPECT_EQ(once.Get(), nullptr);
    EXPECT_EQ(quillon::support::CountAllocations(), 0);
}

TEST(CertContextOnce, ThreadsRacingGetOneContext) {
    provider::CertContextOnce once;
    constexpr int kThreads = 8;
    std::atomic<bool> go{false};
    cert::CertContext* seen[kThreads] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            seen[i] = once.Get();
        });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
    ASSERT_TRUE(cert::IsCertContext(seen[0]));
    for (cert::CertContext* context : seen) EXPECT_EQ(context, seen[0]);
    cert::CertContext* context = seen[0];
    cert::CertContextDestroy(&context);
}

}  // namespace
