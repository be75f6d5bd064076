// RSA key generation in the toolkit: the parameter rules of the generation kind, and its retries
// with fresh bytes through a scripted method (the key forms and PKCS #1 kinds:
// tests/toolkit/kinds).
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <vector>

#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "common/toolkit_rsa.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/rsa_records.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::Key;
using quillon::test::OpensslKey;
using quillon::test::OpensslRsaKey;
using quillon::test::Outcome;
using quillon::test::RunPkcs;
using quillon::test::SeededRandom;

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
