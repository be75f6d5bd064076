// RSA in the toolkit: the key forms, raw RSA under PKCS #1 v1.5 formatting against OpenSSL, the
// object-model rules of the RSA kinds, and the key-generation parameter rules.
#include <gtest/gtest.h>
#include <openssl/err.h>

#include <cstring>
#include <random>

#include "common/allocation_failure.h"
#include "common/der_test_writer.h"
#include "common/openssl_rsa.h"
#include "common/random_bytes.h"
#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "common/vector_file.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/rsa_records.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::Key;
using quillon::test::OpensslKey;
using quillon::test::OpensslRsaKey;
using quillon::test::RandomBytes;

Status SetBer(KeyObject* key, InfoType type, const Bytes& der) {
    Item item{const_cast<std::uint8_t*>(der.data()), static_cast<std::uint32_t>(der.size())};
    return KeySetInfo(key, type, &item);
}

Status SetPublic(KeyObject* key, const Bytes& modulus, const Bytes& exponent) {
    RsaPublicKeyRecord record{
        {const_cast<std::uint8_t*>(modulus.data()), static_cast<std::uint32_t>(modulus.size())},
        {const_cast<std::uint8_t*>(exponent.data()), static_cast<std::uint32_t>(exponent.size())}};
    return KeySetInfo(key, KeyInfoRsaPublic, &record);
}

Bytes ItemBytes(const Item& item) {
    return Bytes(item.data, item.data + item.length);
}

// A random object as the module hands them out, seeded from a fixed value.
struct SeededRandom {
    Alg alg;
    explicit SeededRandom(std::uint8_t seed = 7) {
        EXPECT_EQ(AlgSetInfo(alg, InfoRandomMultiStream, nullptr), kOk);
        EXPECT_EQ(AlgRandomInit(alg, DefaultChooser, nullptr), kOk);
        const Bytes bytes(80, seed);
        EXPECT_EQ(AlgRandomUpdate(alg, bytes.data(), 80, nullptr), kOk);
    }
};

// One whole PKCS #1 operation through a toolkit object, as the exports run it.
struct Outcome {
    Status status;
    Bytes out;
};
Outcome RunPkcs(InfoType kind, bool encrypt, KeyObject* key, const Bytes& in, AlgObject* random,
                std::uint32_t capacity = 1024) {
    Alg alg;
    if (alg.get() == nullptr) return {kOutOfMemory, {}};
    Outcome result{AlgSetInfo(alg, kind, nullptr), Bytes(capacity)};
    if (result.status != kOk) return result;
    result.status = encrypt ? AlgEncryptInit(alg, key, DefaultChooser, nullptr)
                            : AlgDecryptInit(alg, key, DefaultChooser, nullptr);
    if (result.status != kOk) return result;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    const auto inLength = static_cast<std::uint32_t>(in.size());
    result.status = encrypt ? AlgEncryptUpdate(alg, result.out.data(), &first, capacity, in.data(),
                                               inLength, random, nullptr)
                            : AlgDecryptUpdate(alg, result.out.data(), &first, capacity, in.data(),
                                               inLength, random, nullptr);
    if (result.status != kOk) return result;
    result.status = encrypt ? AlgEncryptFinal(alg, result.out.data() + first, &second,
                                              capacity - first, random, nullptr)
                            : AlgDecryptFinal(alg, result.out.data() + first, &second,
                                              capacity - first, random, nullptr);
    result.out.resize(result.status == kOk ? first + second : 0);
    return result;
}

// ---- Key forms -----------------------------------------------------------------------------

TEST(RsaKeyForms, PrivateBerGivesCrtAndPublicHalf) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Key key;
    ASSERT_EQ(SetBer(key, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    void* record = nullptr;
    ASSERT_EQ(KeyGetInfo(&record, key, KeyInfoRsaPrivateCrt), kOk);
    const auto* crt = static_cast<const RsaPrivateCrtRecord*>(record);
    EXPECT_EQ(crt->primeCount, 2u);
    const BIGNUM *p = nullptr, *q = nullptr, *iqmp = nullptr, *dmp1 = nullptr, *dmq1 = nullptr;
    RSA_get0_factors(ossl.rsa, &p, &q);
    RSA_get0_crt_params(ossl.rsa, &dmp1, &dmq1, &iqmp);
    EXPECT_EQ(ItemBytes(crt->primes[0]), quillon::test::BigNumBytes(p));
    EXPECT_EQ(ItemBytes(crt->primes[1]), quillon::test::BigNumBytes(q));
    EXPECT_EQ(ItemBytes(crt->coefficient), quillon::test::BigNumBytes(iqmp));

    void* pub = nullptr;
    ASSERT_EQ(KeyGetInfo(&pub, key, KeyInfoRsaPublic), kOk);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->modulus), ossl.modulus);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->exponent), ossl.exponent);
    void* again = nullptr;
    ASSERT_EQ(KeyGetInfo(&again, key, KeyInfoRsaPublic), kOk);
    EXPECT_EQ(pub, again);
    void* ber = nullptr;
    ASSERT_EQ(KeyGetInfo(&ber, key, KeyInfoRsaPrivateBer), kOk);
    EXPECT_EQ(ItemBytes(*static_cast<Item*>(ber)), ossl.pkcs8);
}

// Callers hand over buffers as they got them: the first PrivateKeyInfo is the key, and the key
// object is exactly that of the bare PrivateKeyInfo.
TEST(RsaKeyForms, PrivateBerFollowedByBytes) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    const OpensslRsaKey& other = OpensslKey(2048);
    const auto followedBy = [&](const Bytes& tail) {
        Bytes der = ossl.pkcs8;
        der.insert(der.end(), tail.begin(), tail.end());
        return der;
    };
    const struct {
        const char* name;
        Bytes der;
    } cases[] = {
        {"one zero byte", followedBy({0x00})},
        {"zeros", followedBy(Bytes(100, 0x00))},
        {"another key", followedBy(other.pkcs8)},
        {"a broken element", followedBy({0x30, 0x82})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Key key;
        ASSERT_EQ(SetBer(key, KeyInfoRsaPrivateBer, c.der), kOk);
        void* ber = nullptr;
        ASSERT_EQ(KeyGetInfo(&ber, key, KeyInfoRsaPrivateBer), kOk);
        EXPECT_EQ(ItemBytes(*static_cast<Item*>(ber)), ossl.pkcs8);
        void* record = nullptr;
        ASSERT_EQ(KeyGetInfo(&record, key, KeyInfoRsaPrivateCrt), kOk);
        const auto* crt = static_cast<const RsaPrivateCrtRecord*>(record);
        const BIGNUM *p = nullptr, *q = nullptr;
        RSA_get0_factors(ossl.rsa, &p, &q);
        EXPECT_EQ(ItemBytes(crt->modulus), ossl.modulus);
        EXPECT_EQ(ItemBytes(crt->primes[0]), quillon::test::BigNumBytes(p));
        EXPECT_EQ(ItemBytes(crt->primes[1]), quillon::test::BigNumBytes(q));
    }
    // The key in front must still be whole.
    Key cut;
    EXPECT_EQ(SetBer(cut, KeyInfoRsaPrivateBer, Bytes(ossl.pkcs8.begin(), ossl.pkcs8.end() - 1)),
              kDataMalformed);
}

TEST(RsaKeyForms, PublicFormsAndWhatTheyCannotGive) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Key fromBer;
    ASSERT_EQ(SetBer(fromBer, KeyInfoRsaPublicBer, ossl.spki), kOk);
    void* pub = nullptr;
    ASSERT_EQ(KeyGetInfo(&pub, fromBer, KeyInfoRsaPublic), kOk);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->modulus), ossl.modulus);
    void* crt = nullptr;
    EXPECT_EQ(KeyGetInfo(&crt, fromBer, KeyInfoRsaPrivateCrt), kKeyFormUnavailable);

    // Leading zeros are not part of the number.
    Key fromParts;
    Bytes padded = ossl.modulus;
    padded.insert(padded.begin(), 2, 0);
    const Bytes exponent = {0x00, 0x10, 0x01};
    ASSERT_EQ(SetPublic(fromParts, padded, exponent), kOk);
    ASSERT_EQ(KeyGetInfo(&pub, fromParts, KeyInfoRsaPublic), kOk);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->modulus), ossl.modulus);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->exponent), (Bytes{0x10, 0x01}));
    EXPECT_EQ(KeyGetInfo(&crt, fromParts, KeyInfoRsaPrivateCrt), kKeyFormUnavailable);
    EXPECT_EQ(SetPublic(fromParts, ossl.modulus, exponent), kKeyAlreadySet);

    Key zero;
    EXPECT_EQ(SetPublic(zero, Bytes{0, 0}, exponent), kBadParameters);
    EXPECT_EQ(KeySetInfo(zero, KeyInfoRsaPublic, nullptr), kBadParameters);
    EXPECT_EQ(KeySetInfo(zero, KeyInfoRsaPublicBer, nullptr), kBadParameters);
}

// A key of more than two primes is kept in its own form, which no raw method takes: it serves
// as its public half only.
TEST(RsaKeyForms, MultiPrimeKeyKeepsItsPrimesAndGivesItsPublicHalf) {
    const OpensslRsaKey& ossl = OpensslKey(1024, 3);
    Key key;
    ASSERT_EQ(SetBer(key, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    void* record = nullptr;
    ASSERT_EQ(KeyGetInfo(&record, key, KeyInfoRsaPrivateMultiPrime), kOk);
    const auto& multi = *static_cast<const RsaPrivateMultiPrimeRecord*>(record);
    ASSERT_EQ(multi.primeCount, 3u);
    // p, q and their values as OpenSSL has them; the third prime completes the modulus, and its
    // coefficient is (p q)^-1 mod r.
    const BIGNUM *p = nullptr, *q = nullptr, *dmp1 = nullptr, *dmq1 = nullptr, *iqmp = nullptr;
    RSA_get0_factors(ossl.rsa, &p, &q);
    RSA_get0_crt_params(ossl.rsa, &dmp1, &dmq1, &iqmp);
    EXPECT_EQ(ItemBytes(multi.primes[0]), quillon::test::BigNumBytes(p));
    EXPECT_EQ(ItemBytes(multi.primes[1]), quillon::test::BigNumBytes(q));
    EXPECT_EQ(ItemBytes(multi.primeExponents[0]), quillon::test::BigNumBytes(dmp1));
    EXPECT_EQ(ItemBytes(multi.primeExponents[1]), quillon::test::BigNumBytes(dmq1));
    EXPECT_EQ(ItemBytes(multi.coefficients[0]), quillon::test::BigNumBytes(iqmp));
    BN_CTX* bn = BN_CTX_new();
    BIGNUM* r = BN_bin2bn(multi.primes[2].data, static_cast<int>(multi.primes[2].length), nullptr);
    BIGNUM* pq = BN_new();
    BIGNUM* n = BN_new();
    BIGNUM* t = BN_new();
    BN_mul(pq, p, q, bn);
    BN_mul(n, pq, r, bn);
    BN_mod_inverse(t, pq, r, bn);
    EXPECT_EQ(quillon::test::BigNumBytes(n), ossl.modulus);
    EXPECT_EQ(ItemBytes(multi.coefficients[1]), quillon::test::BigNumBytes(t));
    BN_free(r);
    BN_free(pq);
    BN_free(n);
    BN_free(t);
    BN_CTX_free(bn);
    EXPECT_EQ(ItemBytes(multi.modulus), ossl.modulus);

    void* pub = nullptr;
    ASSERT_EQ(KeyGetInfo(&pub, key, KeyInfoRsaPublic), kOk);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->modulus), ossl.modulus);
    EXPECT_EQ(ItemBytes(static_cast<RsaPublicKeyRecord*>(pub)->exponent), ossl.exponent);
    void* crt = nullptr;
    EXPECT_EQ(KeyGetInfo(&crt, key, KeyInfoRsaPrivateCrt), kKeyFormUnavailable);
    EXPECT_EQ(RunPkcs(InfoRsaPkcsPrivate, true, key, Bytes(5, 5), nullptr).status,
              kKeyFormUnavailable);

    // The record given straight to a key is kept the same way; fewer than three primes are not
    // this form.
    Key copy;
    ASSERT_EQ(KeySetInfo(copy, KeyInfoRsaPrivateMultiPrime, record), kOk);
    void* copied = nullptr;
    ASSERT_EQ(KeyGetInfo(&copied, copy, KeyInfoRsaPrivateMultiPrime), kOk);
    EXPECT_NE(copied, record);
    EXPECT_EQ(ItemBytes(static_cast<RsaPrivateMultiPrimeRecord*>(copied)->coefficients[1]),
              ItemBytes(multi.coefficients[1]));
    RsaPrivateMultiPrimeRecord two = multi;
    two.primeCount = 2;
    Key refused;
    EXPECT_EQ(KeySetInfo(refused, KeyInfoRsaPrivateMultiPrime, &two), kBadParameters);
    EXPECT_EQ(KeySetInfo(refused, KeyInfoRsaPrivateMultiPrime, nullptr), kBadParameters);
}

// A SubjectPublicKeyInfo with the given algorithm identifier text and parameters (an encoded
// element, or none) around the key's RSAPublicKey.
Bytes SpkiWithAlgorithm(const OpensslRsaKey& ossl, const char* oid, const Bytes& parameters = {}) {
    using DerWriter = quillon::test::DerTestWriter;
    Bytes inner(600);
    DerWriter key(inner);
    key.BeginSequence();
    key.WriteUnsignedInteger(ossl.modulus);
    key.WriteUnsignedInteger(ossl.exponent);
    key.End();
    std::size_t innerSize = 0;
    EXPECT_EQ(key.Finish(innerSize), quillon::der::DerStatus::kOk);
    inner.resize(innerSize);
    Bytes out(700);
    DerWriter writer(out);
    writer.BeginSequence();
    writer.BeginSequence();
    writer.WriteOidText(oid);
    if (!parameters.empty()) writer.WriteEncoded(parameters);
    writer.End();
    writer.WriteBitString(inner);
    writer.End();
    std::size_t size = 0;
    EXPECT_EQ(writer.Finish(size), quillon::der::DerStatus::kOk);
    out.resize(size);
    return out;
}

TEST(RsaKeyForms, DerRulesTable) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    Bytes badVersion = ossl.pkcs8;
    // The RSAPrivateKey's version INTEGER is the first 02 01 00 after the OCTET STRING header.
    const Bytes pattern = {0x04, 0x82};
    auto at = std::search(badVersion.begin(), badVersion.end(), pattern.begin(), pattern.end());
    ASSERT_NE(at, badVersion.end());
    const std::size_t versionAt = static_cast<std::size_t>(at - badVersion.begin()) + 4 + 4 + 2;
    ASSERT_EQ(badVersion[versionAt], 0x00);
    badVersion[versionAt] = 0x02;
    Bytes versionOne = ossl.pkcs8;
    versionOne[versionAt] = 0x01;
    Bytes wrongAlgorithm = ossl.pkcs8;
    // rsaEncryption 1.2.840.113549.1.1.1 -> ...1.1.5 (sha1WithRSAEncryption: not a key type).
    const Bytes oid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
    auto oidAt = std::search(wrongAlgorithm.begin(), wrongAlgorithm.end(), oid.begin(), oid.end());
    ASSERT_NE(oidAt, wrongAlgorithm.end());
    oidAt[8] = 0x05;
    Bytes truncated(ossl.pkcs8.begin(), ossl.pkcs8.end() - 1);
    // Three primes: otherPrimeInfos, which only a version-1 RSAPrivateKey may carry.
    const Bytes& threePrimes = OpensslKey(1024, 3).pkcs8;
    Bytes threePrimesVersionZero = threePrimes;
    ASSERT_EQ(threePrimesVersionZero[versionAt], 0x01);
    threePrimesVersionZero[versionAt] = 0x00;

    struct Case {
        const char* name;
        InfoType type;
        Bytes der;
        Status expected;
    } cases[] = {
        {"pkcs8", KeyInfoRsaPrivateBer, ossl.pkcs8, kOk},
        {"RSAPrivateKey version 1", KeyInfoRsaPrivateBer, versionOne, kOk},
        {"RSAPrivateKey version 2", KeyInfoRsaPrivateBer, badVersion, kDataMalformed},
        {"pkcs8 other algorithm", KeyInfoRsaPrivateBer, wrongAlgorithm, kNotRsaKey},
        {"pkcs8 truncated", KeyInfoRsaPrivateBer, truncated, kDataMalformed},
        {"three primes", KeyInfoRsaPrivateBer, threePrimes, kOk},
        {"three primes, version 0", KeyInfoRsaPrivateBer, threePrimesVersionZero, kDataMalformed},
        {"spki given as pkcs8", KeyInfoRsaPrivateBer, ossl.spki, kDataMalformed},
        {"empty", KeyInfoRsaPrivateBer, Bytes{0x30, 0x00}, kDataMalformed},
        {"spki", KeyInfoRsaPublicBer, ossl.spki, kOk},
        {"spki X.500 RSA", KeyInfoRsaPublicBer, SpkiWithAlgorithm(ossl, "2.5.8.1.1"), kOk},
        {"spki X.500 RSA, NULL", KeyInfoRsaPublicBer,
         SpkiWithAlgorithm(ossl, "2.5.8.1.1", Bytes{0x05, 0x00}), kOk},
        // The parameters say nothing the key needs: X.500's key size is read over.
        {"spki X.500 RSA, key size", KeyInfoRsaPublicBer,
         SpkiWithAlgorithm(ossl, "2.5.8.1.1", Bytes{0x02, 0x02, 0x04, 0x00}), kOk},
        {"spki rsaEncryption, absent parameters", KeyInfoRsaPublicBer,
         SpkiWithAlgorithm(ossl, "1.2.840.113549.1.1.1"), kOk},
        {"spki DSA", KeyInfoRsaPublicBer, SpkiWithAlgorithm(ossl, "1.2.840.10040.4.1"), kNotRsaKey},
        {"spki truncated", KeyInfoRsaPublicBer, Bytes(ossl.spki.begin(), ossl.spki.end() - 3),
         kDataMalformed},
        {"pkcs8 given as spki", KeyInfoRsaPublicBer, ossl.pkcs8, kDataMalformed},
    };
    for (const Case& c : cases) {
        Key key;
        EXPECT_EQ(SetBer(key, c.type, c.der), c.expected) << c.name;
    }
}

TEST(RsaKeyForms, OutOfMemoryWhileStoring) {
    for (const int primes : {2, 3}) {
        const OpensslRsaKey& ossl = OpensslKey(1024, primes);
        std::vector<Status> results;
        const int count = quillon::test::ForEachAllocationFailure([&](int) {
            KeyObject* key = nullptr;
            Status status = KeyCreate(&key);
            if (status == kOk) status = SetBer(key, KeyInfoRsaPrivateBer, ossl.pkcs8);
            results.push_back(status);
            (void)KeyDestroy(&key);
        });
        ASSERT_EQ(results.size(), static_cast<std::size_t>(count) + 1);
        for (int n = 0; n < count; ++n)
            EXPECT_EQ(results[n], kOutOfMemory) << primes << " " << n + 1;
        EXPECT_EQ(results.back(), kOk);
    }
}

// ---- PKCS #1 v1.5 against OpenSSL -----------------------------------------------------------

class RsaPkcs : public ::testing::TestWithParam<int> {};

TEST_P(RsaPkcs, AgreesWithOpenssl) {
    const OpensslRsaKey& ossl = OpensslKey(GetParam());
    const std::uint32_t k = ossl.size();
    Key priv;
    Key pub;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    std::mt19937 rng(static_cast<unsigned>(k));
    const std::size_t lengths[] = {0, 1, 16, 20, k / 2, k - 12, k - 11};
    for (const std::size_t length : lengths) {
        const Bytes message = RandomBytes(rng, length);
        Bytes oracle(k);

        // Our type-1 block verifies with OpenSSL's public key.
        const Outcome signature = RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr);
        ASSERT_EQ(signature.status, kOk) << length;
        ASSERT_EQ(signature.out.size(), k);
        int n = RSA_public_decrypt(static_cast<int>(k), signature.out.data(), oracle.data(),
                                   ossl.rsa, RSA_PKCS1_PADDING);
        ASSERT_EQ(n, static_cast<int>(length));
        EXPECT_EQ(Bytes(oracle.begin(), oracle.begin() + n), message);

        // OpenSSL's type-1 block recovered with the public key (and with a private key's
        // public half).
        Bytes theirs(k);
        ASSERT_EQ(RSA_private_encrypt(static_cast<int>(length), message.data(), theirs.data(),
                                      ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(k));
        EXPECT_EQ(theirs, signature.out) << "type 1 is deterministic";
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, false, pub, theirs, nullptr).out, message);
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, false, priv, theirs, nullptr).out, message);

        // Our type-2 block decrypted by OpenSSL, and OpenSSL's by our private key.
        const Outcome sealed = RunPkcs(InfoRsaPkcsPublic, true, pub, message, random.alg);
        ASSERT_EQ(sealed.status, kOk);
        n = RSA_private_decrypt(static_cast<int>(k), sealed.out.data(), oracle.data(), ossl.rsa,
                                RSA_PKCS1_PADDING);
        ASSERT_EQ(n, static_cast<int>(length));
        EXPECT_EQ(Bytes(oracle.begin(), oracle.begin() + n), message);
        ASSERT_EQ(RSA_public_encrypt(static_cast<int>(length), message.data(), theirs.data(),
                                     ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(k));
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPrivate, false, priv, theirs, nullptr).out, message);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RsaPkcs, ::testing::Values(512, 1024, 2048));

TEST(RsaPkcsRules, StatusTable) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    const std::uint32_t k = ossl.size();
    Key priv;
    Key pub;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    const Bytes typeTwo = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(16, 'a'), random.alg).out;
    const Bytes typeOne = RunPkcs(InfoRsaPkcsPrivate, true, priv, Bytes(16, 'a'), nullptr).out;
    Bytes aboveModulus(k, 0xFF);
    // A raw block that is not PKCS #1 at all: 0x00 0x01 followed by no separator.
    Bytes noSeparator(k, 0xFF);
    noSeparator[0] = 0x00;
    noSeparator[1] = 0x01;
    Bytes rawNoSeparator(k);
    ASSERT_EQ(RSA_private_encrypt(static_cast<int>(k), noSeparator.data(), rawNoSeparator.data(),
                                  ossl.rsa, RSA_NO_PADDING),
              static_cast<int>(k));
    // Seven 0xFF bytes only: the padding must be at least eight.
    Bytes shortPadding(k, 'x');
    shortPadding[0] = 0x00;
    shortPadding[1] = 0x01;
    std::memset(shortPadding.data() + 2, 0xFF, 7);
    shortPadding[9] = 0x00;
    Bytes rawShortPadding(k);
    ASSERT_EQ(RSA_private_encrypt(static_cast<int>(k), shortPadding.data(), rawShortPadding.data(),
                                  ossl.rsa, RSA_NO_PADDING),
              static_cast<int>(k));
    // Type 1 with one padding byte that is not 0xFF.
    Bytes badFf(k, 'x');
    badFf[0] = 0x00;
    badFf[1] = 0x01;
    std::memset(badFf.data() + 2, 0xFF, 20);
    badFf[12] = 0xFE;
    badFf[22] = 0x00;
    Bytes rawBadFf(k);
    ASSERT_EQ(RSA_private_encrypt(static_cast<int>(k), badFf.data(), rawBadFf.data(), ossl.rsa,
                                  RSA_NO_PADDING),
              static_cast<int>(k));
    // Type 2 with non-zero bytes to the end: no separator.
    Bytes typeTwoNoSeparator(k, 0x5A);
    typeTwoNoSeparator[0] = 0x00;
    typeTwoNoSeparator[1] = 0x02;
    Bytes rawTypeTwoNoSeparator(k);
    ASSERT_EQ(RSA_public_encrypt(static_cast<int>(k), typeTwoNoSeparator.data(),
                                 rawTypeTwoNoSeparator.data(), ossl.rsa, RSA_NO_PADDING),
              static_cast<int>(k));

    struct Case {
        const char* name;
        InfoType kind;
        bool encrypt;
        KeyObject* key;
        Bytes in;
        std::uint32_t capacity;
        Status expected;
    } cases[] = {
        {"private kind, public-only key", InfoRsaPkcsPrivate, true, pub, Bytes(1), 1024,
         kKeyFormUnavailable},
        {"public kind, private key", InfoRsaPkcsPublic, true, priv, Bytes(1), 1024, kOk},
        {"k - 11 bytes", InfoRsaPkcsPrivate, true, priv, Bytes(k - 11), 1024, kOk},
        {"k - 10 bytes", InfoRsaPkcsPrivate, true, priv, Bytes(k - 10), 1024, kLengthOutOfRange},
        {"encrypt output one short", InfoRsaPkcsPrivate, true, priv, Bytes(1), k - 1,
         kOutputTooSmall},
        {"decrypt k - 1 bytes", InfoRsaPkcsPublic, false, pub, Bytes(k - 1), 1024,
         kLengthOutOfRange},
        {"decrypt k + 1 bytes", InfoRsaPkcsPublic, false, pub, Bytes(k + 1), 1024,
         kLengthOutOfRange},
        {"type 2 block, public decrypt", InfoRsaPkcsPublic, false, pub, typeTwo, 1024,
         kDataMalformed},
        {"type 1 block, private decrypt", InfoRsaPkcsPrivate, false, priv, typeOne, 1024,
         kDataMalformed},
        {"input above modulus", InfoRsaPkcsPublic, false, pub, aboveModulus, 1024, kDataMalformed},
        {"input above modulus, private", InfoRsaPkcsPrivate, false, priv, aboveModulus, 1024,
         kDataMalformed},
        {"no separator", InfoRsaPkcsPublic, false, pub, rawNoSeparator, 1024, kDataMalformed},
        {"seven padding bytes", InfoRsaPkcsPublic, false, pub, rawShortPadding, 1024,
         kDataMalformed},
        {"type 1 padding byte not FF", InfoRsaPkcsPublic, false, pub, rawBadFf, 1024,
         kDataMalformed},
        {"type 2 without separator", InfoRsaPkcsPrivate, false, priv, rawTypeTwoNoSeparator, 1024,
         kDataMalformed},
        {"decrypt output one short", InfoRsaPkcsPublic, false, pub, typeOne, 15, kOutputTooSmall},
        {"decrypt output exact", InfoRsaPkcsPublic, false, pub, typeOne, 16, kOk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunPkcs(c.kind, c.encrypt, c.key, c.in, random.alg, c.capacity).status,
                  c.expected)
            << c.name;
    }
}

TEST(RsaPkcsRules, PaddingIsFreshAndNonZero) {
    const OpensslRsaKey& ossl = OpensslKey(512);
    Key pub;
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    const Bytes first = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), random.alg).out;
    const Bytes second = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), random.alg).out;
    ASSERT_EQ(first.size(), ossl.size());
    EXPECT_NE(first, second);
    Bytes block(ossl.size());
    ASSERT_EQ(RSA_private_decrypt(static_cast<int>(block.size()), first.data(), block.data(),
                                  ossl.rsa, RSA_NO_PADDING),
              static_cast<int>(block.size()));
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 2);
    for (std::size_t i = 2; i < block.size() - 4; ++i) EXPECT_NE(block[i], 0) << i;
    EXPECT_EQ(block[block.size() - 4], 0);
    // Type 2 needs a random object.
    EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), nullptr).status, kBadRandomObject);
}

TEST(RsaPkcsRules, ModulusSizes) {
    // 88 bits (11 bytes) is below what PKCS #1 formatting can hold; 4104 bits is above the
    // methods' limit.
    const Bytes small(11, 0xC5);
    Bytes large(513, 0xC5);
    const Bytes e = {0x01, 0x00, 0x01};
    Key smallKey;
    Key largeKey;
    ASSERT_EQ(SetPublic(smallKey, small, e), kOk);
    ASSERT_EQ(SetPublic(largeKey, large, e), kOk);
    Alg a;
    ASSERT_EQ(AlgSetInfo(a, InfoRsaPkcsPublic, nullptr), kOk);
    EXPECT_EQ(AlgEncryptInit(a, smallKey, DefaultChooser, nullptr), kNotSupported);
    Alg b;
    ASSERT_EQ(AlgSetInfo(b, InfoRsaPkcsPublic, nullptr), kOk);
    EXPECT_EQ(AlgDecryptInit(b, largeKey, DefaultChooser, nullptr), kModulusLength);
    Alg c;
    ASSERT_EQ(AlgSetInfo(c, InfoRsaPkcsPublic, nullptr), kOk);
    Key empty;
    EXPECT_EQ(AlgEncryptInit(c, empty, DefaultChooser, nullptr), kKeyEmpty);
    std::uint32_t produced = 0;
    std::uint8_t out[8];
    EXPECT_EQ(AlgEncryptUpdate(c, out, &produced, 8, out, 1, nullptr, nullptr), kNotInitialized);
}

TEST(RsaPkcsRules, ObjectOutlivesNothingOfTheKey) {
    // The object copies the key's numbers at init: destroying the key before the final is safe.
    const OpensslRsaKey& ossl = OpensslKey(1024);
    KeyObject* key = nullptr;
    ASSERT_EQ(KeyCreate(&key), kOk);
    ASSERT_EQ(SetBer(key, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoRsaPkcsPrivate, nullptr), kOk);
    ASSERT_EQ(AlgEncryptInit(alg, key, DefaultChooser, nullptr), kOk);
    (void)KeyDestroy(&key);
    Bytes out(ossl.size());
    std::uint32_t produced = 0;
    const std::uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_EQ(AlgEncryptUpdate(alg, out.data(), &produced, 0, data, 4, nullptr, nullptr), kOk);
    EXPECT_EQ(produced, 0u);
    ASSERT_EQ(AlgEncryptFinal(alg, out.data(), &produced, ossl.size(), nullptr, nullptr), kOk);
    EXPECT_EQ(produced, ossl.size());
}

TEST(RsaPkcsRules, OutOfMemoryDuringAnOperation) {
    const OpensslRsaKey& ossl = OpensslKey(512);
    Key priv;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    const Bytes message(5, 9);
    const Bytes signature = RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr).out;
    ASSERT_EQ(signature.size(), ossl.size());
    // The key builds its public half once, on first demand; after that each run allocates alike.
    ASSERT_EQ(RunPkcs(InfoRsaPkcsPublic, false, priv, signature, nullptr).out, message);
    // Signing with the private key, and recovering the signature with its public half.
    for (const bool privateSide : {true, false}) {
        std::vector<Outcome> results;
        const int count = quillon::test::ForEachAllocationFailure([&](int) {
            results.push_back(privateSide
                                  ? RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr)
                                  : RunPkcs(InfoRsaPkcsPublic, false, priv, signature, nullptr));
        });
        ASSERT_EQ(results.size(), static_cast<std::size_t>(count) + 1);
        for (int n = 0; n < count; ++n) {
            EXPECT_EQ(results[n].status, kOutOfMemory) << privateSide << " " << n + 1;
        }
        EXPECT_EQ(results.back().status, kOk);
        EXPECT_EQ(results.back().out, privateSide ? signature : message);
    }
}

// ---- Key generation parameters ------------------------------------------------------------

TEST(RsaKeyGen, ParameterRules) {
    struct Case {
        std::uint32_t bits;
        Bytes exponent;
        Status expected;
    } cases[] = {
        {255, {0x10, 0x01}, kModulusLength},
        {4097, {0x10, 0x01}, kModulusLength},
        {1024, {0x10, 0x00}, kEvenExponent},
        {1024, {0x01}, kExponentLength},
        {1024, {0x00, 0x01}, kExponentLength},
        {1024, {}, kExponentLength},
        {256, Bytes(32, 0xFF), kExponentLength},
        {1024, {0x10, 0x01}, kOk},
        {256, {0x03}, kOk},
    };
    for (const Case& c : cases) {
        Alg alg;
        const RsaKeyGenParams params{c.bits,
                                     {const_cast<std::uint8_t*>(c.exponent.data()),
                                      static_cast<std::uint32_t>(c.exponent.size())}};
        ASSERT_EQ(AlgSetInfo(alg, InfoRsaKeyGen, &params), kOk);
        EXPECT_EQ(AlgGenerateInit(alg, DefaultChooser, nullptr), c.expected) << c.bits;
    }
    Alg none;
    EXPECT_EQ(AlgSetInfo(none, InfoRsaKeyGen, nullptr), kBadParameters);
}

}  // namespace

// ---- Key generation through a scripted method ---------------------------------------------

namespace scripted {

std::vector<Bytes> drawn;
int retries = 0;
MethodStatus finalStatus = method::kOk;

MethodStatus Check(const methods::RsaKeyGenRequest&) {
    return method::kOk;
}
std::uint32_t Length(const methods::RsaKeyGenRequest&) {
    return 24;
}
MethodStatus Attempt(const methods::RsaKeyGenRequest& request, const std::uint8_t* random,
                     std::uint32_t length, RsaGeneratedKey& key, const SurrenderContext*) {
    EXPECT_EQ(request.primeCount, 2u);
    drawn.emplace_back(random, random + length);
    if (static_cast<int>(drawn.size()) <= retries) return method::kRetry;
    if (finalStatus != method::kOk) return finalStatus;
    // The OpenSSL key's numbers, as an engine would leave them.
    const OpensslRsaKey& ossl = OpensslKey(512);
    const BIGNUM *n, *e, *d, *p, *q, *dp, *dq, *qi;
    RSA_get0_key(ossl.rsa, &n, &e, &d);
    RSA_get0_factors(ossl.rsa, &p, &q);
    RSA_get0_crt_params(ossl.rsa, &dp, &dq, &qi);
    std::uint8_t* at = key.storage;
    const auto put = [&](const BIGNUM* number, Item& item) {
        item.length = static_cast<std::uint32_t>(BN_bn2bin(number, at));
        item.data = at;
        at += item.length;
    };
    put(n, key.key.modulus);
    put(e, key.key.publicExponent);
    put(d, key.key.privateExponent);
    put(p, key.key.primes[0]);
    put(q, key.key.primes[1]);
    put(dp, key.key.primeExponents[0]);
    put(dq, key.key.primeExponents[1]);
    put(qi, key.key.coefficient);
    key.key.primeCount = 2;
    return method::kOk;
}

constexpr methods::RsaKeyGenPrimitives kPrimitives = {Check, Length, Attempt};
constexpr Method kMethod = {InfoRsaMultiPrimeKeyGen, 0, nullptr, &kPrimitives};
const Method* const kChooser[] = {&kMethod, nullptr};

}  // namespace scripted

TEST(RsaKeyGen, RetriesWithFreshBytesAndFillsBothKeysOnlyOnSuccess) {
    struct Case {
        int retries;
        MethodStatus finalStatus;
        Status expected;
    } cases[] = {
        {0, method::kOk, kOk}, {2, method::kOk, kOk}, {1, method::kOutOfMemory, kOutOfMemory}};
    for (const Case& c : cases) {
        scripted::drawn.clear();
        scripted::retries = c.retries;
        scripted::finalStatus = c.finalStatus;
        Alg alg;
        const std::uint8_t e[] = {0x01, 0x00, 0x01};
        const RsaKeyGenParams params{512, {const_cast<std::uint8_t*>(e), 3}};
        ASSERT_EQ(AlgSetInfo(alg, InfoRsaKeyGen, &params), kOk);
        ASSERT_EQ(AlgGenerateInit(alg, scripted::kChooser, nullptr), kOk);
        SeededRandom random;
        Key pub;
        Key priv;
        ASSERT_EQ(AlgGenerateKeypair(alg, pub, priv, random.alg, nullptr), c.expected);
        ASSERT_EQ(scripted::drawn.size(), static_cast<std::size_t>(c.retries) + 1);
        for (std::size_t i = 1; i < scripted::drawn.size(); ++i) {
            EXPECT_NE(scripted::drawn[i], scripted::drawn[i - 1]);
        }
        void* record = nullptr;
        if (c.expected != kOk) {
            EXPECT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPublic), kKeyEmpty);
            EXPECT_EQ(KeyGetInfo(&record, priv, KeyInfoRsaPrivateCrt), kKeyEmpty);
            continue;
        }
        ASSERT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPublic), kOk);
        EXPECT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPrivateCrt), kKeyFormUnavailable);
        ASSERT_EQ(KeyGetInfo(&record, priv, KeyInfoRsaPrivateCrt), kOk);
        // The pair works: sign with the private key, recover with the public one.
        const Bytes message = {1, 2, 3};
        const Outcome signature = RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr);
        ASSERT_EQ(signature.status, kOk);
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, false, pub, signature.out, nullptr).out, message);
    }
}
