// The RSA key forms of key objects (public numbers, private CRT and multi-prime records, their
// DER forms): what each form gives and refuses, the DER rules, and out of memory while storing.
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <vector>

#include "common/allocation_failure.h"
#include "common/der_test_writer.h"
#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "common/toolkit_rsa.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Bytes;
using quillon::test::ItemBytes;
using quillon::test::Key;
using quillon::test::OpensslKey;
using quillon::test::OpensslRsaKey;
using quillon::test::SetBer;
using quillon::test::SetPublic;

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

}  // namespace
