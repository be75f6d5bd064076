// The RSA key exports through the public header: key handles, the capacity convention, the
// fallback of RsaEncrypt to public-key encryption, key-pair generation, and OpenSSL as the oracle
// for both directions of PKCS #1 v1.5.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_rsa.h"
#include "common/random_bytes.h"
#include "quillon.h"
#include "toolkit/status.h"

namespace {

using Bytes = std::vector<uint8_t>;
using quillon::test::OpensslKey;
using quillon::test::OpensslRsaKey;
using quillon::test::RandomBytes;
namespace status = quillon::toolkit;

// Owns a key handle variable.
struct Handle {
    KeyHandle* key = nullptr;
    ~Handle() { RsaDestroyKey(&key); }
    operator KeyHandle*() const { return key; }
};

int32_t LoadPrivate(Handle& handle, const Bytes& der) {
    return RsaCreatePrivateKey(&handle.key, der.data(), static_cast<uint32_t>(der.size()));
}

int32_t LoadPublic(Handle& handle, const Bytes& modulus, const Bytes& exponent) {
    return RsaCreatePublicKey(&handle.key, modulus.data(), static_cast<uint32_t>(modulus.size()),
                              exponent.data(), static_cast<uint32_t>(exponent.size()));
}

// One operation with the capacity convention: out holds capacity-before minus capacity-after
// bytes.
struct Outcome {
    int32_t status;
    Bytes out;
    uint32_t left;
};
template <typename Operation>
Outcome Run(Operation operation, KeyHandle* key, const Bytes& in, uint32_t capacity = 1024) {
    Bytes out(capacity + 1, 0);
    uint32_t left = capacity;
    const int32_t result =
        operation(key, in.data(), static_cast<uint32_t>(in.size()), out.data(), &left);
    out.resize(result == 0 ? capacity - left : 0);
    return {result, out, left};
}
Outcome Encrypt(KeyHandle* key, const Bytes& in, uint32_t capacity = 1024) {
    return Run(RsaEncrypt, key, in, capacity);
}
Outcome Decrypt(KeyHandle* key, const Bytes& in, uint32_t capacity = 1024) {
    return Run(RsaPublicDecrypt, key, in, capacity);
}

struct Parts {
    int32_t status;
    Bytes modulus, exponent;
};
Parts GetParts(KeyHandle* key) {
    Parts parts{0, Bytes(512), Bytes(512)};
    uint32_t modulusLength = 512, exponentLength = 512;
    parts.status = RsaGetKeyInfo(key, parts.modulus.data(), &modulusLength, parts.exponent.data(),
                                 &exponentLength);
    parts.modulus.resize(parts.status == 0 ? modulusLength : 0);
    parts.exponent.resize(parts.status == 0 ? exponentLength : 0);
    return parts;
}

KeyHandle* const kUntouched = reinterpret_cast<KeyHandle*>(0x5A5A);

// ---- Key-pair generation ------------------------------------------------------------------

TEST(RsaExports, GenerateKeyPairTable) {
    struct Case {
        uint32_t bits;
        int32_t expected;
    } const kCases[] = {
        {512, 0},
        {1024, 0},
        {777, 0},
        {256, 0},
        {128, status::ToExportStatus(status::kModulusLength)},
        {255, status::ToExportStatus(status::kModulusLength)},
        {4097, status::ToExportStatus(status::kModulusLength)},
        {8192, status::ToExportStatus(status::kModulusLength)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bits);
        KeyHandle* pub = kUntouched;
        KeyHandle* priv = kUntouched;
        ASSERT_EQ(RsaGenerateKeyPair(&pub, &priv, c.bits), c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(pub, kUntouched);
            EXPECT_EQ(priv, kUntouched);
            continue;
        }
        const Parts fromPublic = GetParts(pub);
        const Parts fromPrivate = GetParts(priv);
        ASSERT_EQ(fromPublic.status, 0);
        EXPECT_EQ(fromPublic.exponent, (Bytes{0x10, 0x01}));
        EXPECT_EQ(fromPublic.modulus.size(), (c.bits + 7) / 8);
        EXPECT_NE(fromPublic.modulus[0] >> ((c.bits - 1) % 8), 0) << "exactly the bits asked";
        EXPECT_EQ(fromPrivate.status, 0);
        EXPECT_EQ(fromPrivate.modulus, fromPublic.modulus);
        EXPECT_EQ(fromPrivate.exponent, fromPublic.exponent);

        // The pair works: a private-key block recovered with the public key.
        const Bytes message = {'q', 'u', 'i', 'l', 'l'};
        const Outcome signature = Encrypt(priv, message);
        ASSERT_EQ(signature.status, 0);
        EXPECT_EQ(Decrypt(pub, signature.out).out, message);
        RsaDestroyKey(&pub);
        RsaDestroyKey(&priv);
        EXPECT_EQ(pub, nullptr);
        EXPECT_EQ(priv, nullptr);
    }
    KeyHandle* one = nullptr;
    EXPECT_EQ(RsaGenerateKeyPair(&one, nullptr, 512), -1);
    EXPECT_EQ(RsaGenerateKeyPair(nullptr, &one, 512), -1);
    EXPECT_EQ(one, nullptr);
}

// A generated key is an ordinary RSA key to OpenSSL: its public half verifies our blocks.
TEST(RsaExports, GeneratedKeysWorkWithOpenssl) {
    Handle pub, priv;
    ASSERT_EQ(RsaGenerateKeyPair(&pub.key, &priv.key, 1024), 0);
    const Parts parts = GetParts(pub);
    RSA* rsa = RSA_new();
    RSA_set0_key(rsa,
                 BN_bin2bn(parts.modulus.data(), static_cast<int>(parts.modulus.size()), nullptr),
                 BN_bin2bn(parts.exponent.data(), static_cast<int>(parts.exponent.size()), nullptr),
                 nullptr);
    const Bytes message(20, 0xA5);
    const Outcome signature = Encrypt(priv, message);
    ASSERT_EQ(signature.out.size(), 128u);
    Bytes recovered(128);
    ASSERT_EQ(
        RSA_public_decrypt(128, signature.out.data(), recovered.data(), rsa, RSA_PKCS1_PADDING),
        20);
    recovered.resize(20);
    EXPECT_EQ(recovered, message);
    RSA_free(rsa);
}

// ---- Creating keys ------------------------------------------------------------------------

TEST(RsaExports, CreateKeyTable) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Bytes wrongAlgorithm = ossl.pkcs8;
    const Bytes oid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
    auto oidAt = std::search(wrongAlgorithm.begin(), wrongAlgorithm.end(), oid.begin(), oid.end());
    ASSERT_NE(oidAt, wrongAlgorithm.end());
    oidAt[8] = 0x05;  // sha1WithRSAEncryption: not a key algorithm
    const Bytes truncated(ossl.pkcs8.begin(), ossl.pkcs8.end() - 1);
    Bytes paddedModulus = ossl.modulus;
    paddedModulus.insert(paddedModulus.begin(), 3, 0);

    struct Case {
        const char* name;
        bool isPrivate;
        Bytes first, second;
        int32_t expected;
    } const kCases[] = {
        {"pkcs8", true, ossl.pkcs8, {}, 0},
        {"pkcs8 of another algorithm",
         true,
         wrongAlgorithm,
         {},
         status::ToExportStatus(status::kNotRsaKey)},
        {"pkcs8 truncated", true, truncated, {}, status::ToExportStatus(status::kDataMalformed)},
        {"subjectPublicKeyInfo as pkcs8",
         true,
         ossl.spki,
         {},
         status::ToExportStatus(status::kDataMalformed)},
        {"empty der", true, {}, {}, status::ToExportStatus(status::kBadParameters)},
        {"modulus and exponent", false, ossl.modulus, ossl.exponent, 0},
        {"leading zeros", false, paddedModulus, {0, 0, 1, 0, 1}, 0},
        {"zero modulus",
         false,
         {0, 0},
         ossl.exponent,
         status::ToExportStatus(status::kBadParameters)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        KeyHandle* key = kUntouched;
        const int32_t result =
            c.isPrivate
                ? RsaCreatePrivateKey(&key, c.first.empty() ? nullptr : c.first.data(),
                                      static_cast<uint32_t>(c.first.size()))
                : RsaCreatePublicKey(&key, c.first.data(), static_cast<uint32_t>(c.first.size()),
                                     c.second.data(), static_cast<uint32_t>(c.second.size()));
        EXPECT_EQ(result, c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(key, nullptr) << "a failed create empties the variable";
            continue;
        }
        const Parts parts = GetParts(key);
        EXPECT_EQ(parts.modulus, ossl.modulus);
        EXPECT_EQ(parts.exponent, ossl.exponent);
        RsaDestroyKey(&key);
    }
    EXPECT_EQ(RsaCreatePrivateKey(nullptr, ossl.pkcs8.data(), 10), -1);
    EXPECT_EQ(RsaCreatePublicKey(nullptr, ossl.modulus.data(), 128, ossl.exponent.data(), 3), -1);
}

// A PKCS #8 key of three primes is taken; no private-key method serves it, so RsaEncrypt falls
// back to public-key encryption, which the key's owner decrypts.
TEST(RsaExports, KeyOfThreePrimesServesAsItsPublicHalf) {
    const OpensslRsaKey& ossl = OpensslKey(1024, 3);
    Handle key;
    ASSERT_EQ(LoadPrivate(key, ossl.pkcs8), 0);
    const Parts parts = GetParts(key);
    EXPECT_EQ(parts.modulus, ossl.modulus);
    EXPECT_EQ(parts.exponent, ossl.exponent);
    const Bytes message(20, 0x3C);
    const Outcome sealed = Encrypt(key, message);
    ASSERT_EQ(sealed.status, 0);
    ASSERT_EQ(sealed.out.size(), 128u);
    EXPECT_NE(Encrypt(key, message).out, sealed.out) << "random padding";
    Bytes opened(128);
    ASSERT_EQ(
        RSA_private_decrypt(128, sealed.out.data(), opened.data(), ossl.rsa, RSA_PKCS1_PADDING),
        20);
    opened.resize(20);
    EXPECT_EQ(opened, message);
}

// The PKCS #8 encoding of a copy of key whose numbers edit has changed.
Bytes DamagedPkcs8(const RSA* key, const std::function<void(RSA*)>& edit) {
    RSA* copy = RSAPrivateKey_dup(key);
    edit(copy);
    EVP_PKEY* pkey = EVP_PKEY_new();
    EVP_PKEY_assign_RSA(pkey, copy);
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(pkey);
    unsigned char* der = nullptr;
    const int length = i2d_PKCS8_PRIV_KEY_INFO(p8, &der);
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    PKCS8_PRIV_KEY_INFO_free(p8);
    EVP_PKEY_free(pkey);
    return bytes;
}

// value + 2, a fresh number for RSA_set0_*.
BIGNUM* PlusTwo(const BIGNUM* value) {
    BIGNUM* changed = BN_dup(value);
    BN_add_word(changed, 2);
    return changed;
}

// RsaEncrypt into a buffer of sentinels: the status, and whether any byte or the capacity changed.
struct Signing {
    int32_t status;
    Bytes out;
    bool touched;
};
Signing Sign(KeyHandle* key, const Bytes& in) {
    Bytes out(300, 0xA5);
    uint32_t capacity = 256;
    const int32_t status =
        RsaEncrypt(key, in.data(), static_cast<uint32_t>(in.size()), out.data(), &capacity);
    const bool touched =
        capacity != 256 || std::any_of(out.begin(), out.end(), [](uint8_t b) { return b != 0xA5; });
    out.resize(256 - capacity);
    return {status, out, touched};
}

// OpenSSL's PKCS #1 v1.5 signature block of in.
Bytes OpensslSignature(const OpensslRsaKey& ossl, const Bytes& in) {
    Bytes out(ossl.size());
    EXPECT_EQ(RSA_private_encrypt(static_cast<int>(in.size()), in.data(), out.data(), ossl.rsa,
                                  RSA_PKCS1_PADDING),
              static_cast<int>(ossl.size()));
    return out;
}

// A private key that cannot sign gives a status and writes nothing: never a public-key
// encryption in place of the signature, never a wrong signature (a wrong CRT result would also
// give away a factor of the modulus).
TEST(RsaExports, DamagedPrivateKeysDoNotSign) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    const Bytes message(20, 0x42);
    struct Case {
        const char* name;
        std::function<void(RSA*)> edit;
        int32_t status;
    } const cases[] = {
        {"sound key", [](RSA*) {}, 0},
        {"p replaced", [](RSA* rsa) { RSA_set0_factors(rsa, PlusTwo(RSA_get0_p(rsa)), nullptr); },
         status::ToExportStatus(status::kBadParameters)},
        {"dP wrong",
         [](RSA* rsa) { RSA_set0_crt_params(rsa, PlusTwo(RSA_get0_dmp1(rsa)), nullptr, nullptr); },
         status::ToExportStatus(status::kMethodFailure)},
        {"dQ wrong",
         [](RSA* rsa) { RSA_set0_crt_params(rsa, nullptr, PlusTwo(RSA_get0_dmq1(rsa)), nullptr); },
         status::ToExportStatus(status::kMethodFailure)},
        {"qInv wrong",
         [](RSA* rsa) { RSA_set0_crt_params(rsa, nullptr, nullptr, PlusTwo(RSA_get0_iqmp(rsa))); },
         status::ToExportStatus(status::kMethodFailure)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Handle key;
        ASSERT_EQ(LoadPrivate(key, DamagedPkcs8(ossl.rsa, c.edit)), 0);
        const Signing signing = Sign(key, message);
        EXPECT_EQ(signing.status, c.status);
        if (c.status == 0) {
            EXPECT_EQ(signing.out, OpensslSignature(ossl, message));
        } else {
            EXPECT_FALSE(signing.touched);
        }
    }
}

// Out of memory anywhere in the private-key path gives a status and nothing written, or the
// signature itself: never an encryption.
TEST(RsaExports, OutOfMemoryNeverTurnsASignatureIntoAnEncryption) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Handle key;
    ASSERT_EQ(LoadPrivate(key, ossl.pkcs8), 0);
    const Bytes message(20, 0x17);
    const Bytes expected = OpensslSignature(ossl, message);
    int refused = 0;
    quillon::test::ForEachAllocationFailure([&](int n) {
        const Signing signing = Sign(key, message);
        if (signing.status == 0) {
            EXPECT_EQ(signing.out, expected) << n;
        } else {
            ++refused;
            EXPECT_FALSE(signing.touched) << n;
        }
    });
    EXPECT_GT(refused, 0);
}

TEST(RsaExports, TheModuleKeepsItsOwnCopies) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Bytes der = ossl.pkcs8;
    Bytes modulus = ossl.modulus;
    Bytes exponent = ossl.exponent;
    Handle priv, pub;
    ASSERT_EQ(LoadPrivate(priv, der), 0);
    ASSERT_EQ(LoadPublic(pub, modulus, exponent), 0);
    std::fill(der.begin(), der.end(), 0);
    std::fill(modulus.begin(), modulus.end(), 0);
    std::fill(exponent.begin(), exponent.end(), 0);
    const Outcome signature = Encrypt(priv, Bytes(7, 7));
    ASSERT_EQ(signature.status, 0);
    EXPECT_EQ(Decrypt(pub, signature.out).out, Bytes(7, 7));
}

TEST(RsaExports, DestroyEmptiesTheVariable) {
    RsaDestroyKey(nullptr);
    KeyHandle* empty = nullptr;
    RsaDestroyKey(&empty);
    EXPECT_EQ(empty, nullptr);
}

// ---- RsaGetKeyInfo ------------------------------------------------------------------------

TEST(RsaExports, GetKeyInfoCapacities) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Handle priv;
    ASSERT_EQ(LoadPrivate(priv, ossl.pkcs8), 0);
    const uint32_t n = ossl.size();
    const uint32_t e = static_cast<uint32_t>(ossl.exponent.size());
    struct Case {
        uint32_t modulusCapacity, exponentCapacity;
        int32_t expected;
    } const kCases[] = {
        {n, e, 0}, {512, 512, 0}, {n - 1, e, -1}, {n, e - 1, -1}, {0, 0, -1},
    };
    for (const Case& c : kCases) {
        Bytes modulus(512, 0xEE), exponent(512, 0xEE);
        uint32_t modulusLength = c.modulusCapacity, exponentLength = c.exponentCapacity;
        EXPECT_EQ(
            RsaGetKeyInfo(priv, modulus.data(), &modulusLength, exponent.data(), &exponentLength),
            c.expected)
            << c.modulusCapacity << " " << c.exponentCapacity;
        if (c.expected != 0) {
            EXPECT_EQ(modulusLength, c.modulusCapacity);
            EXPECT_EQ(exponentLength, c.exponentCapacity);
            EXPECT_EQ(modulus, Bytes(512, 0xEE)) << "nothing copied";
            EXPECT_EQ(exponent, Bytes(512, 0xEE));
            continue;
        }
        EXPECT_EQ(modulusLength, n);
        EXPECT_EQ(exponentLength, e);
        EXPECT_EQ(Bytes(modulus.begin(), modulus.begin() + n), ossl.modulus);
        EXPECT_EQ(Bytes(exponent.begin(), exponent.begin() + e), ossl.exponent);
    }
    uint32_t length = 512;
    uint8_t buffer[512];
    EXPECT_EQ(RsaGetKeyInfo(nullptr, buffer, &length, buffer, &length), -1);
    EXPECT_EQ(RsaGetKeyInfo(priv, buffer, nullptr, buffer, &length), -1);
}

// ---- RsaEncrypt and RsaPublicDecrypt --------------------------------------------------------

TEST(RsaExports, OperationTable) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Handle priv, pub, tiny;
    ASSERT_EQ(LoadPrivate(priv, ossl.pkcs8), 0);
    ASSERT_EQ(LoadPublic(pub, ossl.modulus, ossl.exponent), 0);
    // 88 bits: too short for PKCS #1 formatting on either side.
    ASSERT_EQ(LoadPublic(tiny, Bytes(11, 0xC5), Bytes{1, 0, 1}), 0);
    const Bytes text = {'0', '1', '2', '3', '4', '5', '6', '7',
                        '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    const Bytes typeOne = Encrypt(priv, text).out;
    const Bytes typeTwo = Encrypt(pub, text).out;
    ASSERT_EQ(typeOne.size(), 128u);
    ASSERT_EQ(typeTwo.size(), 128u);

    constexpr auto kLength = status::ToExportStatus(status::kLengthOutOfRange);
    constexpr auto kMalformed = status::ToExportStatus(status::kDataMalformed);
    constexpr auto kTooSmall = status::ToExportStatus(status::kOutputTooSmall);
    struct Case {
        const char* name;
        bool encrypt;
        KeyHandle* key;
        Bytes in;
        uint32_t capacity;
        int32_t expected;
        uint32_t left;  // the capacity afterwards
    } const kCases[] = {
        {"16 bytes signed", true, priv, text, 1024, 0, 1024 - 128},
        {"117 bytes signed", true, priv, Bytes(117, 1), 1024, 0, 1024 - 128},
        {"118 bytes signed", true, priv, Bytes(118, 1), 1024, kLength, 1024},
        {"0 bytes signed", true, priv, {}, 1024, 0, 1024 - 128},
        {"exact capacity", true, priv, text, 128, 0, 0},
        {"capacity one short", true, priv, text, 127, kTooSmall, 127},
        {"117 bytes encrypted", true, pub, Bytes(117, 1), 1024, 0, 1024 - 128},
        {"118 bytes encrypted", true, pub, Bytes(118, 1), 1024, kLength, 1024},
        {"modulus of 11 bytes", true, tiny, text, 1024,
         status::ToExportStatus(status::kNotSupported), 1024},
        {"recover", false, pub, typeOne, 1024, 0, 1024 - 16},
        {"recover with the private key's public half", false, priv, typeOne, 1024, 0, 1024 - 16},
        {"recover, exact capacity", false, pub, typeOne, 16, 0, 0},
        {"recover, capacity one short", false, pub, typeOne, 15, kTooSmall, 15},
        {"127 bytes", false, pub, Bytes(typeOne.begin() + 1, typeOne.end()), 1024, kLength, 1024},
        {"129 bytes", false, pub, Bytes(129, 0), 1024, kLength, 1024},
        {"type-2 block", false, pub, typeTwo, 1024, kMalformed, 1024},
        {"above the modulus", false, pub, Bytes(128, 0xFF), 1024, kMalformed, 1024},
        {"type-1 block, other key", false, tiny, typeOne, 1024,
         status::ToExportStatus(status::kNotSupported), 1024},
    };
    for (const Case& c : kCases) {
        const Outcome outcome =
            c.encrypt ? Encrypt(c.key, c.in, c.capacity) : Decrypt(c.key, c.in, c.capacity);
        EXPECT_EQ(outcome.status, c.expected) << c.name;
        EXPECT_EQ(outcome.left, c.left) << c.name;
    }
    EXPECT_EQ(Decrypt(pub, typeOne).out, text);

    uint32_t capacity = 1024;
    uint8_t out[1024];
    EXPECT_EQ(RsaEncrypt(nullptr, text.data(), 16, out, &capacity), -1);
    EXPECT_EQ(RsaEncrypt(priv, text.data(), 16, out, nullptr), -1);
    EXPECT_EQ(RsaPublicDecrypt(nullptr, typeOne.data(), 128, out, &capacity), -1);
    EXPECT_EQ(RsaPublicDecrypt(pub, typeOne.data(), 128, out, nullptr), -1);
    EXPECT_EQ(capacity, 1024u);
}

TEST(RsaExports, SignaturesRepeatEncryptionsDoNot) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Handle priv, pub;
    ASSERT_EQ(LoadPrivate(priv, ossl.pkcs8), 0);
    ASSERT_EQ(LoadPublic(pub, ossl.modulus, ossl.exponent), 0);
    const Bytes message(16, 'm');
    EXPECT_EQ(Encrypt(priv, message).out, Encrypt(priv, message).out);
    EXPECT_NE(Encrypt(pub, message).out, Encrypt(pub, message).out);
}

// ---- OpenSSL as the oracle --------------------------------------------------------------------

class RsaExportsOracle : public ::testing::TestWithParam<int> {};

TEST_P(RsaExportsOracle, AgreesWithOpenssl) {
    const OpensslRsaKey& ossl = OpensslKey(GetParam());
    const uint32_t k = ossl.size();
    Handle priv, pub;
    ASSERT_EQ(LoadPrivate(priv, ossl.pkcs8), 0);
    ASSERT_EQ(LoadPublic(pub, ossl.modulus, ossl.exponent), 0);
    std::mt19937 rng(static_cast<unsigned>(k));
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{20},
                                     std::size_t{k / 2}, std::size_t{k - 11}}) {
        SCOPED_TRACE(length);
        const Bytes message = RandomBytes(rng, length);
        Bytes oracle(k);

        // Our type-1 block is OpenSSL's, and OpenSSL's public key recovers it.
        const Outcome ours = Encrypt(priv, message);
        ASSERT_EQ(ours.status, 0);
        Bytes theirs(k);
        ASSERT_EQ(RSA_private_encrypt(static_cast<int>(length), message.data(), theirs.data(),
                                      ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(k));
        EXPECT_EQ(ours.out, theirs);
        ASSERT_EQ(RSA_public_decrypt(static_cast<int>(k), ours.out.data(), oracle.data(), ossl.rsa,
                                     RSA_PKCS1_PADDING),
                  static_cast<int>(length));
        EXPECT_TRUE(std::equal(message.begin(), message.end(), oracle.begin()));

        // OpenSSL's signature block recovered by RsaPublicDecrypt.
        EXPECT_EQ(Decrypt(pub, theirs).out, message);

        // Public-key encryption through the fallback, decrypted by OpenSSL.
        const Outcome sealed = Encrypt(pub, message);
        ASSERT_EQ(sealed.status, 0);
        ASSERT_EQ(sealed.out.size(), k);
        ASSERT_EQ(RSA_private_decrypt(static_cast<int>(k), sealed.out.data(), oracle.data(),
                                      ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(length));
        EXPECT_TRUE(std::equal(message.begin(), message.end(), oracle.begin()));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RsaExportsOracle, ::testing::Values(512, 1024, 2048));

// ---- Out of memory --------------------------------------------------------------------------

// Whatever allocation fails, each export reports a failure (or, where the failed allocation was
// not needed, succeeds) and leaves no half-built handle; ASan sees to the leaks.
TEST(RsaExports, OutOfMemoryEverywhere) {
    const OpensslRsaKey& ossl = OpensslKey(512);
    const auto failure = [](int32_t result) {
        return result == -1 || result == status::ToExportStatus(status::kOutOfMemory) ||
               result == status::ToExportStatus(status::kBadRandomObject);
    };
    int failures = 0;
    quillon::test::ForEachAllocationFailure([&](int n) {
        KeyHandle* key = kUntouched;
        const int32_t result =
            RsaCreatePrivateKey(&key, ossl.pkcs8.data(), static_cast<uint32_t>(ossl.pkcs8.size()));
        EXPECT_TRUE(result == 0 || failure(result)) << n << ": " << result;
        if (result == 0) RsaDestroyKey(&key);
        failures += result != 0;
    });
    EXPECT_GT(failures, 0);

    Handle priv, pub;
    ASSERT_EQ(LoadPrivate(priv, ossl.pkcs8), 0);
    ASSERT_EQ(LoadPublic(pub, ossl.modulus, ossl.exponent), 0);
    const Bytes signature = Encrypt(priv, Bytes(5, 5)).out;
    for (KeyHandle* key : {priv.key, pub.key}) {
        quillon::test::ForEachAllocationFailure([&](int n) {
            const Outcome outcome = Encrypt(key, Bytes(5, 5));
            EXPECT_TRUE(outcome.status == 0 || failure(outcome.status)) << n;
            if (outcome.status != 0) {
                EXPECT_EQ(outcome.left, 1024u);
            }
        });
    }
    quillon::test::ForEachAllocationFailure([&](int n) {
        const Outcome outcome = Decrypt(pub, signature);
        EXPECT_TRUE(outcome.status == 0 || failure(outcome.status)) << n;
    });
    quillon::test::ForEachAllocationFailure([&](int n) {
        KeyHandle* a = kUntouched;
        KeyHandle* b = kUntouched;
        const int32_t result = RsaGenerateKeyPair(&a, &b, 256);
        EXPECT_TRUE(result == 0 || failure(result)) << n << ": " << result;
        if (result != 0) {
            EXPECT_EQ(a, kUntouched);
            EXPECT_EQ(b, kUntouched);
            return;
        }
        RsaDestroyKey(&a);
        RsaDestroyKey(&b);
    });
}

}  // namespace
