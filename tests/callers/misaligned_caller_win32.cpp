// Quillon.dll as 32-bit Windows callers built by other compilers use it: bound by ordinal and
// called with ESP at 16n, 16n-4, 16n-8 and 16n-12, since the cdecl convention promises only
// 4-byte alignment. This program itself is built with 4-byte stack alignment. Every export
// family's main path runs at each offset, with its known answer where one exists, and every
// call must leave ESP, EBX, ESI, EDI and EBP as the convention requires.
#include <windows.h>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <string>
#include <type_traits>

#include "callers/stack_trampoline.h"
#include "common/dll_path_win32.h"
#include "common/openssl_certificates.h"
#include "common/openssl_rsa.h"
#include "common/profile_writer.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "common/vector_file.h"
#include "quillon.h"

namespace {

using quillon::test::Bytes;
using quillon::test::CallRecord;
using quillon::test::FromHex;

// The ordinals of the module-definition file.
enum Ordinal : int {
    kRngRandom15 = 1,
    kRngInitialize = 2,
    kRngTimingJitter = 3,
    kAesCreateContext = 4,
    kAesCbcCrypt = 5,
    kAesEncryptBlocks = 6,
    kAesDecryptBlocks = 7,
    kAesDestroyContext = 8,
    kDesCbcCrypt = 9,
    kTripleDesCbcCrypt = 10,
    kMd5Create = 11,
    kDigestUpdate = 12,
    kMd5Final = 13,
    kSha1Create = 14,
    kDigestUpdateAt15 = 15,
    kSha1Final = 16,
    kProfileGetSignatureCertificate = 17,
    kProfileFreeBuffer = 18,
    kProfileGetSignatureKey = 20,
    kProfileFreeBufferAt21 = 21,
    kRsaCreatePrivateKey = 24,
    kRsaDestroyKey = 25,
    kCertCreateFromDer = 26,
    kCertDestroy = 27,
    kRsaKeyFromCertificate = 28,
    kRsaEncrypt = 29,
    kRsaPublicDecrypt = 30,
    kDhGetGroup = 31,
    kDhGenerateKeyPair = 32,
    kDhComputeSecret = 33,
    kDhFreeBuffer = 34,
    kDhFreeBufferAt35 = 35,
    kDhDestroyKeyPair = 36,
    kIsdGetCapability = 37,
    kRngGetBytes = 38,
    kRsaCreatePublicKey = 39,
    kRawRsaPublic = 40,
    kRawRsaPrivate = 41,
    kHostToBigEndian16 = 42,
    kCertGetNames = 43,
    kCertBuildPkcs7 = 44,
    kHmacReset = 45,
    kHmacInit = 46,
    kHmacUpdate = 47,
    kHmacFinal = 48,
    kHmacGetHash = 49,
    kRngSetAuxBlock = 50,
    kRngSetKeys = 51,
    kRngAddSeed = 52,
    kRngReset = 53,
    kRsaGetKeyInfo = 54,
    kRsaGenerateKeyPair = 55,
    kIsdGetRandomNumber = 56,
    kIsdGetStatistic = 57,
    kIsdTestRandomGenerator = 58,
    kSelfTest = 100,
};

template <typename T>
std::uint32_t Word(T value) {
    if constexpr (std::is_null_pointer_v<T>) {
        return 0;
    } else if constexpr (std::is_pointer_v<T>) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    } else {
        return static_cast<std::uint32_t>(value);
    }
}

Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The parameter is the misalignment: ESP = 16n - misalignment at every call.
class MisalignedCaller : public testing::TestWithParam<std::uint32_t> {
  protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryA(quillon::test::QuillonDllPath().c_str());
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "error " << GetLastError(); }

    // Calls the export at ordinal with these arguments (each one 32-bit word) at the test's
    // misalignment and checks the registers the callee must preserve.
    template <typename... Arguments>
    std::uint32_t Call(int ordinal, Arguments... arguments) {
        const void* function =
            reinterpret_cast<const void*>(GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)));
        EXPECT_NE(function, nullptr) << "ordinal " << ordinal;
        if (function == nullptr) return 0;
        const std::array<std::uint32_t, sizeof...(Arguments) + 1> words{Word(arguments)..., 0};
        CallRecord record{};
        const std::uint32_t result = QuillonCallAtMisalignment(
            function, words.data(), sizeof...(Arguments), GetParam(), &record);
        EXPECT_EQ((record.espAtCall + GetParam()) % 16, 0u) << "ordinal " << ordinal;
        EXPECT_EQ(record.espAfter, record.espAtCall) << "ordinal " << ordinal;
        EXPECT_EQ(record.ebxAfter, quillon::test::kPreservedEbx) << "ordinal " << ordinal;
        EXPECT_EQ(record.esiAfter, quillon::test::kPreservedEsi) << "ordinal " << ordinal;
        EXPECT_EQ(record.ediAfter, quillon::test::kPreservedEdi) << "ordinal " << ordinal;
        EXPECT_EQ(record.ebpAfter, record.ebpAtCall) << "ordinal " << ordinal;
        return result;
    }

    std::int32_t CallStatus(int ordinal, auto... arguments) {
        return static_cast<std::int32_t>(Call(ordinal, arguments...));
    }

    // The digest of message through create, update at updateOrdinal, and final.
    Bytes Digest(int create, int updateOrdinal, int final, std::size_t length,
                 const std::string& message) {
        DigestHandle* handle = nullptr;
        Call(create, &handle);
        EXPECT_NE(handle, nullptr);
        Call(updateOrdinal, &handle, message.data(), message.size());
        Bytes out(length);
        Call(final, out.data(), &handle);
        EXPECT_EQ(handle, nullptr);
        return out;
    }

    static inline HMODULE module_ = nullptr;
};

TEST_P(MisalignedCaller, Digests) {
    EXPECT_EQ(Digest(kMd5Create, kDigestUpdate, kMd5Final, 16, "abc"),
              FromHex("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(Digest(kSha1Create, kDigestUpdateAt15, kSha1Final, 20, "abc"),
              FromHex("a9993e364706816aba3e25717850c26c9cd0d89d"));
}

// RFC 2202 test case 2 for both hashes, then again after HmacReset.
TEST_P(MisalignedCaller, Hmac) {
    const std::string key = "Jefe";
    const std::string data = "what do ya want for nothing?";
    const struct {
        std::uint32_t hash;
        const char* mac;
    } cases[] = {{1, "750c783e6ab0b503eaa86e310a5db738"},
                 {2, "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"}};
    for (const auto& c : cases) {
        const auto* descriptor =
            reinterpret_cast<const HashDescriptor*>(Call(kHmacGetHash, c.hash));
        ASSERT_NE(descriptor, nullptr);
        HmacContext context{};
        Call(kHmacInit, &context, descriptor, key.data(), key.size());
        for (int round = 0; round < 2; ++round) {
            Call(kHmacUpdate, &context, data.data(), data.size());
            Bytes mac(descriptor->digestLength);
            Call(kHmacFinal, mac.data(), &context);
            EXPECT_EQ(mac, FromHex(c.mac)) << "hash " << c.hash << " round " << round;
            Call(kHmacReset, &context);
        }
        Call(kHmacFinal, Bytes(20).data(), &context);
    }
}

// FIPS-197 appendix C.1, then a CBC round trip.
TEST_P(MisalignedCaller, Aes) {
    const Bytes key = FromHex("000102030405060708090a0b0c0d0e0f");
    AesContext* encryption = nullptr;
    AesContext* decryption = nullptr;
    ASSERT_EQ(CallStatus(kAesCreateContext, &encryption, 0, 128, key.data()), 0);
    ASSERT_EQ(CallStatus(kAesCreateContext, &decryption, 1, 16, key.data()), 0);
    Bytes block = FromHex("00112233445566778899aabbccddeeff");
    EXPECT_EQ(CallStatus(kAesEncryptBlocks, &encryption, block.data(), block.data(), 16), 0);
    EXPECT_EQ(block, FromHex("69c4e0d86a7b0430d8cdb78070b4c55a"));
    EXPECT_EQ(CallStatus(kAesDecryptBlocks, &decryption, block.data(), block.data(), 16), 0);
    EXPECT_EQ(block, FromHex("00112233445566778899aabbccddeeff"));

    const Bytes message =
        AsBytes("sixty-four bytes of plaintext, in four blocks of sixteen bytes!!");
    Bytes data = message;
    Bytes iv(16, 7);
    Call(kAesCbcCrypt, 1, data.data(), data.size(), &encryption, iv.data());
    EXPECT_NE(data, message);
    iv.assign(16, 7);
    Call(kAesCbcCrypt, 0, data.data(), data.size(), &decryption, iv.data());
    EXPECT_EQ(data, message);
    Call(kAesDestroyContext, &encryption);
    Call(kAesDestroyContext, &decryption);
    EXPECT_EQ(encryption, nullptr);
    EXPECT_EQ(decryption, nullptr);
}

// 37 blocks: every path of the AES engines runs (sixteen or eight blocks side by side, pairs,
// single blocks), against OpenSSL's EVP; AES-256 ECB and CBC both ways.
TEST_P(MisalignedCaller, AesOnEveryPath) {
    Bytes key(32), iv(16), message(16 * 37);
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 29 + 3);
    for (size_t i = 0; i < iv.size(); ++i) iv[i] = static_cast<uint8_t>(i * 13 + 1);
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7 + i / 5);
    AesContext* encryption = nullptr;
    AesContext* decryption = nullptr;
    ASSERT_EQ(CallStatus(kAesCreateContext, &encryption, 0, 256, key.data()), 0);
    ASSERT_EQ(CallStatus(kAesCreateContext, &decryption, 1, 32, key.data()), 0);
    for (const bool cbc : {false, true}) {
        SCOPED_TRACE(cbc ? "CBC" : "ECB");
        Bytes expected(message.size() + 16);
        int written = 0;
        EVP_CIPHER_CTX* oracle = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(oracle, cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb(), nullptr, key.data(),
                           iv.data());
        EVP_CIPHER_CTX_set_padding(oracle, 0);
        EVP_EncryptUpdate(oracle, expected.data(), &written, message.data(),
                          static_cast<int>(message.size()));
        EVP_CIPHER_CTX_free(oracle);
        expected.resize(message.size());

        Bytes data = message, chain = iv;
        if (cbc) {
            Call(kAesCbcCrypt, 1, data.data(), data.size(), &encryption, chain.data());
        } else {
            EXPECT_EQ(
                CallStatus(kAesEncryptBlocks, &encryption, data.data(), data.data(), data.size()),
                0);
        }
        EXPECT_EQ(data, expected);
        chain = iv;
        if (cbc) {
            Call(kAesCbcCrypt, 0, data.data(), data.size(), &decryption, chain.data());
        } else {
            EXPECT_EQ(
                CallStatus(kAesDecryptBlocks, &decryption, data.data(), data.data(), data.size()),
                0);
        }
        EXPECT_EQ(data, message);
    }
    Call(kAesDestroyContext, &encryption);
    Call(kAesDestroyContext, &decryption);
}

// The classic DES example (key 133457799BBCDFF1); triple-DES with three equal keys is DES.
TEST_P(MisalignedCaller, DesAndTripleDes) {
    const Bytes desKey = FromHex("133457799bbcdff1");
    Bytes tripleKey = desKey;
    tripleKey.insert(tripleKey.end(), desKey.begin(), desKey.end());
    tripleKey.insert(tripleKey.end(), desKey.begin(), desKey.end());
    const struct {
        int ordinal;
        const Bytes& key;
    } cases[] = {{kDesCbcCrypt, desKey}, {kTripleDesCbcCrypt, tripleKey}};
    for (const auto& c : cases) {
        Bytes data = FromHex("0123456789abcdef");
        Bytes iv(8, 0);
        std::uint32_t ivSize = 8;
        Call(c.ordinal, 1, data.data(), 8, c.key.data(), iv.data(), &ivSize);
        EXPECT_EQ(data, FromHex("85e813540f0ab405")) << "ordinal " << c.ordinal;
        iv.assign(8, 0);
        Call(c.ordinal, 0, data.data(), 8, c.key.data(), iv.data(), &ivSize);
        EXPECT_EQ(data, FromHex("0123456789abcdef")) << "ordinal " << c.ordinal;
    }
}

TEST_P(MisalignedCaller, Generator) {
    const std::uint32_t value = Call(kRngRandom15);
    EXPECT_LE(value, 32767u);
    EXPECT_EQ(CallStatus(kRngInitialize, 0x12345678u), 0);
    Call(kRngTimingJitter);
    Bytes random(64, 0);
    EXPECT_EQ(CallStatus(kRngGetBytes, 64, random.data()), 0);
    EXPECT_NE(random, Bytes(64, 0));
    const Bytes block(8, 0xA5), keyA(8, 1), keyB(8, 2), seed(8, 3);
    Call(kRngSetAuxBlock, 1, block.data());
    Call(kRngSetKeys, keyA.data(), keyB.data());
    Call(kRngAddSeed, seed.data(), seed.size());
    EXPECT_EQ(CallStatus(kRngGetBytes, 16, random.data()), 0);
    Call(kRngSetAuxBlock, 0, nullptr);
    Call(kRngReset);
}

// Two parties on group 2 agree on one secret.
TEST_P(MisalignedCaller, DiffieHellman) {
    const DhKeyAgreeParams* params = nullptr;
    ASSERT_EQ(CallStatus(kDhGetGroup, &params, 2), 0);
    ASSERT_NE(params, nullptr);
    Item* publicA = nullptr;
    Item* publicB = nullptr;
    DhKeyPair* pairA = nullptr;
    DhKeyPair* pairB = nullptr;
    ASSERT_EQ(CallStatus(kDhGenerateKeyPair, &publicA, &pairA, params), 0);
    ASSERT_EQ(CallStatus(kDhGenerateKeyPair, &publicB, &pairB, params), 0);
    Item* secretA = nullptr;
    Item* secretB = nullptr;
    EXPECT_EQ(CallStatus(kDhComputeSecret, &secretA, pairA, publicB, params), 0);
    EXPECT_EQ(CallStatus(kDhComputeSecret, &secretB, pairB, publicA, params), 0);
    ASSERT_TRUE(secretA != nullptr && secretB != nullptr);
    EXPECT_EQ(secretA->length, 128u);
    EXPECT_EQ(Bytes(secretA->data, secretA->data + secretA->length),
              Bytes(secretB->data, secretB->data + secretB->length));
    EXPECT_EQ(CallStatus(kDhFreeBuffer, &secretA), 0);
    EXPECT_EQ(CallStatus(kDhFreeBufferAt35, &secretB), 0);
    EXPECT_EQ(CallStatus(kDhFreeBuffer, &publicA), 0);
    EXPECT_EQ(CallStatus(kDhFreeBuffer, &publicB), 0);
    EXPECT_EQ(CallStatus(kDhDestroyKeyPair, &pairA), 0);
    EXPECT_EQ(CallStatus(kDhDestroyKeyPair, &pairB), 0);
    EXPECT_EQ(secretA, nullptr);
    EXPECT_EQ(pairB, nullptr);
}

// A signature block by a key from PKCS #8 against OpenSSL's, recovered by a key from its
// modulus and exponent; then a fresh key pair signs and recovers.
TEST_P(MisalignedCaller, RsaKeys) {
    const auto& ossl = quillon::test::OpensslKey(1024);
    KeyHandle* privateKey = nullptr;
    KeyHandle* publicKey = nullptr;
    ASSERT_EQ(CallStatus(kRsaCreatePrivateKey, &privateKey, ossl.pkcs8.data(), ossl.pkcs8.size()),
              0);
    ASSERT_EQ(CallStatus(kRsaCreatePublicKey, &publicKey, ossl.modulus.data(), ossl.modulus.size(),
                         ossl.exponent.data(), ossl.exponent.size()),
              0);
    const Bytes message = AsBytes("a block to sign at every stack offset");
    Bytes signature(ossl.size());
    std::uint32_t capacity = ossl.size();
    ASSERT_EQ(CallStatus(kRsaEncrypt, privateKey, message.data(), message.size(), signature.data(),
                         &capacity),
              0);
    EXPECT_EQ(capacity, 0u);
    Bytes expected(ossl.size());
    RSA_private_encrypt(static_cast<int>(message.size()), message.data(), expected.data(), ossl.rsa,
                        RSA_PKCS1_PADDING);
    EXPECT_EQ(signature, expected);
    Bytes recovered(ossl.size());
    capacity = ossl.size();
    ASSERT_EQ(CallStatus(kRsaPublicDecrypt, publicKey, signature.data(), signature.size(),
                         recovered.data(), &capacity),
              0);
    recovered.resize(ossl.size() - capacity);
    EXPECT_EQ(recovered, message);
    Bytes modulus(256), exponent(8);
    std::uint32_t modulusCapacity = 256, exponentCapacity = 8;
    EXPECT_EQ(CallStatus(kRsaGetKeyInfo, privateKey, modulus.data(), &modulusCapacity,
                         exponent.data(), &exponentCapacity),
              0);
    modulus.resize(modulusCapacity);
    EXPECT_EQ(modulus, ossl.modulus);
    Call(kRsaDestroyKey, &privateKey);
    Call(kRsaDestroyKey, &publicKey);
    EXPECT_EQ(privateKey, nullptr);

    ASSERT_EQ(CallStatus(kRsaGenerateKeyPair, &publicKey, &privateKey, 512), 0);
    signature.assign(64, 0);
    capacity = 64;
    ASSERT_EQ(CallStatus(kRsaEncrypt, privateKey, message.data(), message.size(), signature.data(),
                         &capacity),
              0);
    recovered.assign(64, 0);
    capacity = 64;
    ASSERT_EQ(CallStatus(kRsaPublicDecrypt, publicKey, signature.data(), signature.size(),
                         recovered.data(), &capacity),
              0);
    recovered.resize(64 - capacity);
    EXPECT_EQ(recovered, message);
    Call(kRsaDestroyKey, &privateKey);
    Call(kRsaDestroyKey, &publicKey);
}

TEST_P(MisalignedCaller, Certificates) {
    quillon::test::CertRecipe recipe;
    recipe.subject = {{"CN", V_ASN1_UTF8STRING, "Misaligned Caller"},
                      {"O", V_ASN1_UTF8STRING, "Quillon"}};
    const Bytes der = quillon::test::MakeCertificate(recipe);
    CertHandle* cert = nullptr;
    ASSERT_EQ(CallStatus(kCertCreateFromDer, &cert, der.data(), der.size()), 0);
    const char* subject = nullptr;
    const char* issuer = nullptr;
    EXPECT_EQ(CallStatus(kCertGetNames, &subject, &issuer, cert), 0);
    EXPECT_STREQ(subject, "cn=Misaligned Caller,o=Quillon");
    EXPECT_STREQ(issuer, subject);
    Bytes message(4096);
    std::uint32_t capacity = 4096;
    EXPECT_EQ(CallStatus(kCertBuildPkcs7, message.data(), &capacity, cert), 0);
    EXPECT_GT(capacity, der.size());
    KeyHandle* key = nullptr;
    EXPECT_EQ(CallStatus(kRsaKeyFromCertificate, &key, cert), 0);
    EXPECT_NE(key, nullptr);
    Call(kRsaDestroyKey, &key);
    Call(kCertDestroy, &cert);
    EXPECT_EQ(cert, nullptr);
}

// A certificate item and a key item read back; both releasing ordinals.
TEST_P(MisalignedCaller, ProfileReaders) {
    const quillon::test::TemporaryDirectory directory;
    const Bytes certificate = AsBytes("certificate bytes");
    const Bytes key = AsBytes("key bytes");
    quillon::test::ProfileWriter writer("pass word", "salt", 128, 1);
    writer.Item("Digital Signature", "Certificate", certificate)
        .Item("Digital Signature", "Key", key);
    const std::string path = directory.Write("profile.ini", writer.Text());
    const struct {
        int reader;
        int release;
        const Bytes& payload;
    } cases[] = {{kProfileGetSignatureCertificate, kProfileFreeBuffer, certificate},
                 {kProfileGetSignatureKey, kProfileFreeBufferAt21, key}};
    for (const auto& c : cases) {
        std::uint8_t* buffer = nullptr;
        const std::int32_t length = CallStatus(c.reader, &buffer, path.c_str(), "pass word");
        ASSERT_EQ(length, static_cast<std::int32_t>(c.payload.size())) << "ordinal " << c.reader;
        EXPECT_EQ(Bytes(buffer, buffer + length), c.payload);
        Call(c.release, buffer);
    }
}

TEST_P(MisalignedCaller, RawRsa) {
    const quillon::test::TemporaryDirectory directory;
    const quillon::test::RawRsaTestKey key(512, 65537, "AlignTag");
    const std::string path = directory.Write("keys.txt", key.FileText());
    const Bytes plain = AsBytes("sixteen plain by");
    Bytes buffer(10 + key.ModulusBytes(), 0);
    std::memcpy(buffer.data(), plain.data(), plain.size());
    const std::int32_t wrapped =
        CallStatus(kRawRsaPublic, path.c_str(), buffer.data(), plain.size());
    ASSERT_GT(wrapped, 10);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 8), "AlignTag");
    const std::int32_t unwrapped = CallStatus(kRawRsaPrivate, path.c_str(), buffer.data(), wrapped);
    ASSERT_EQ(unwrapped, static_cast<std::int32_t>(plain.size()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + unwrapped), plain);
    EXPECT_EQ(Call(kHostToBigEndian16, 0xABCD1234u) & 0xFFFFu, 0x3412u);
}

// Without the security driver every device request answers "unknown".
TEST_P(MisalignedCaller, HardwareRandomDevice) {
    std::uint32_t value = 1;
    EXPECT_EQ(Call(kIsdGetCapability, 1, &value), ISD_EUNKNOWN);
    EXPECT_EQ(Call(kIsdGetRandomNumber, &value), ISD_EUNKNOWN);
    EXPECT_EQ(Call(kIsdGetStatistic, 1, &value), ISD_EUNKNOWN);
    EXPECT_EQ(Call(kIsdTestRandomGenerator), ISD_EUNKNOWN);
}

TEST_P(MisalignedCaller, SelfTest) {
    EXPECT_EQ(CallStatus(kSelfTest), 1);
}

INSTANTIATE_TEST_SUITE_P(EspBelowSixteen, MisalignedCaller, testing::Values(0u, 4u, 8u, 12u),
                         [](const testing::TestParamInfo<std::uint32_t>& info) {
                             return "Minus" + std::to_string(info.param);
                         });

}  // namespace
