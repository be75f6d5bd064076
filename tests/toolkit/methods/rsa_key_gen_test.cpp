// RSA key-pair generation through the toolkit object: AlgSetInfo(InfoRsaKeyGen),
// AlgGenerateInit with the DefaultChooser, AlgGenerateKeypair with a random object. A scripted
// random object (a random method of our own in a chooser made here) plays back a known byte
// stream, so the pair can be compared with the engine's on the same bytes and with OpenSSL's
// checks.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/rsa.h>

#include <cstring>
#include <vector>

#include "common/allocation_failure.h"
#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "common/vector_file.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/methods/rsa_keygen_engine.h"
#include "toolkit/rsa_records.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::FromHex;
using quillon::test::Key;

// ---- A random object that plays back a splitmix64 stream from its seed ----------------------

struct Stream {
    std::uint64_t state = 0;
    std::uint8_t Next() {
        state += 0x9E3779B97F4A7C15u;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<std::uint8_t>(z ^ (z >> 31));
    }
};

int generateCalls = 0;

MethodStatus StreamInit(void* context, const void*) {
    *static_cast<Stream*>(context) = {};
    return method::kOk;
}
MethodStatus StreamSeed(void* context, const std::uint8_t* seed, std::uint32_t length) {
    auto& stream = *static_cast<Stream*>(context);
    for (std::uint32_t i = 0; i < length; ++i) stream.state = stream.state * 257 + seed[i];
    return method::kOk;
}
MethodStatus StreamGenerate(void* context, std::uint8_t* out, std::uint32_t length) {
    ++generateCalls;
    auto& stream = *static_cast<Stream*>(context);
    for (std::uint32_t i = 0; i < length; ++i) out[i] = stream.Next();
    return method::kOk;
}

constexpr methods::RandomPrimitives kStreamPrimitives = {sizeof(Stream), StreamInit, StreamSeed,
                                                         StreamGenerate};
constexpr Method kStreamMethod = {InfoRandomMultiStream, 0, nullptr, &kStreamPrimitives};
const Method* const kStreamChooser[] = {&kStreamMethod, nullptr};

struct ScriptedRandom {
    Alg alg;
    explicit ScriptedRandom(std::uint32_t seed) {
        EXPECT_EQ(AlgSetInfo(alg, InfoRandomMultiStream, nullptr), kOk);
        EXPECT_EQ(AlgRandomInit(alg, kStreamChooser, nullptr), kOk);
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(seed >> 24), static_cast<std::uint8_t>(seed >> 16),
            static_cast<std::uint8_t>(seed >> 8), static_cast<std::uint8_t>(seed)};
        EXPECT_EQ(AlgRandomUpdate(alg, bytes, 4, nullptr), kOk);
    }
};

// The same stream as an engine random source.
MethodStatus EngineDraw(void* context, std::uint8_t* out, std::uint32_t length) {
    Stream scratch = *static_cast<Stream*>(context);
    (void)StreamGenerate(&scratch, out, length);
    *static_cast<Stream*>(context) = scratch;
    return method::kOk;
}

// ---- Generation through the toolkit ---------------------------------------------------------

struct Generated {
    Status status = kOk;
    Bytes n, e, d, p, q, dp, dq, qinv;
    Bytes publicN, publicE;
};

Bytes ItemBytes(const Item& item) {
    return Bytes(item.data, item.data + item.length);
}

Generated Generate(std::uint32_t bits, const Bytes& exponent, AlgObject* random,
                   const SurrenderContext* surrender = nullptr) {
    Generated result;
    Alg alg;
    Key pub;
    Key priv;
    if (alg.get() == nullptr || pub.get() == nullptr || priv.get() == nullptr) {
        result.status = kOutOfMemory;
        return result;
    }
    const RsaKeyGenParams params{
        bits,
        {const_cast<std::uint8_t*>(exponent.data()), static_cast<std::uint32_t>(exponent.size())}};
    result.status = AlgSetInfo(alg, InfoRsaKeyGen, &params);
    if (result.status == kOk) result.status = AlgGenerateInit(alg, DefaultChooser, nullptr);
    if (result.status == kOk) result.status = AlgGenerateKeypair(alg, pub, priv, random, surrender);
    void* record = nullptr;
    if (result.status != kOk) {
        EXPECT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPublic), kKeyEmpty);
        EXPECT_EQ(KeyGetInfo(&record, priv, KeyInfoRsaPrivateCrt), kKeyEmpty);
        return result;
    }
    EXPECT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPublic), kOk);
    const auto& pubRecord = *static_cast<const RsaPublicKeyRecord*>(record);
    result.publicN = ItemBytes(pubRecord.modulus);
    result.publicE = ItemBytes(pubRecord.exponent);
    EXPECT_EQ(KeyGetInfo(&record, pub, KeyInfoRsaPrivateCrt), kKeyFormUnavailable);
    EXPECT_EQ(KeyGetInfo(&record, priv, KeyInfoRsaPrivateCrt), kOk);
    const auto& crt = *static_cast<const RsaPrivateCrtRecord*>(record);
    EXPECT_EQ(crt.primeCount, 2u);
    result.n = ItemBytes(crt.modulus);
    result.e = ItemBytes(crt.publicExponent);
    result.d = ItemBytes(crt.privateExponent);
    result.p = ItemBytes(crt.primes[0]);
    result.q = ItemBytes(crt.primes[1]);
    result.dp = ItemBytes(crt.primeExponents[0]);
    result.dq = ItemBytes(crt.primeExponents[1]);
    result.qinv = ItemBytes(crt.coefficient);
    return result;
}

BIGNUM* Bn(const Bytes& bytes) {
    return BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr);
}

// The 1024-bit request with e = 4097, an odd length, and a larger exponent: the pair is the
// engine's pair on the same bytes (the toolkit draws exactly what the engine would), the primes
// have the promised shape and OpenSSL accepts the key.
TEST(RsaKeyGenToolkit, PairsAreTheEnginesAndSound) {
    struct Case {
        std::uint32_t bits;
        const char* exponent;
        int pBits, qBits;
    } const kCases[] = {
        {1024, "1001", 512, 512},
        {1025, "1001", 513, 512},
        {512, "010001", 256, 256},
        {768, "03", 384, 384},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bits);
        const Bytes exponent = FromHex(c.exponent);
        ScriptedRandom random(c.bits);
        generateCalls = 0;
        const Generated ours = Generate(c.bits, exponent, random.alg);
        ASSERT_EQ(ours.status, kOk);
        const int toolkitDraws = generateCalls;

        Stream engineStream;
        const std::uint8_t seed[4] = {
            static_cast<std::uint8_t>(c.bits >> 24), static_cast<std::uint8_t>(c.bits >> 16),
            static_cast<std::uint8_t>(c.bits >> 8), static_cast<std::uint8_t>(c.bits)};
        (void)StreamSeed(&engineStream, seed, 4);
        generateCalls = 0;
        methods::RsaKeyGenKey engine;
        ASSERT_EQ(methods::RsaKeyGenGenerate({c.bits, 2, exponent}, EngineDraw, &engineStream,
                                             engine, nullptr),
                  method::kOk);
        EXPECT_EQ(generateCalls, toolkitDraws);
        const auto span = [](std::span<const std::uint8_t> s) { return Bytes(s.begin(), s.end()); };
        EXPECT_EQ(ours.n, span(engine.modulus));
        EXPECT_EQ(ours.d, span(engine.privateExponent));
        EXPECT_EQ(ours.p, span(engine.primes[0]));
        EXPECT_EQ(ours.q, span(engine.primes[1]));
        EXPECT_EQ(ours.dp, span(engine.primeExponents[0]));
        EXPECT_EQ(ours.dq, span(engine.primeExponents[1]));
        EXPECT_EQ(ours.qinv, span(engine.coefficients[0]));
        EXPECT_EQ(ours.publicN, ours.n);
        EXPECT_EQ(ours.publicE, exponent);
        EXPECT_EQ(ours.e, exponent);

        RSA* rsa = RSA_new();
        BIGNUM* p = Bn(ours.p);
        BIGNUM* q = Bn(ours.q);
        EXPECT_EQ(BN_num_bits(p), c.pBits);
        EXPECT_EQ(BN_num_bits(q), c.qBits);
        EXPECT_GT(BN_cmp(p, q), 0);
        EXPECT_TRUE(BN_is_bit_set(p, c.pBits - 2) && BN_is_bit_set(q, c.qBits - 2));
        RSA_set0_key(rsa, Bn(ours.n), Bn(ours.e), Bn(ours.d));
        RSA_set0_factors(rsa, p, q);
        RSA_set0_crt_params(rsa, Bn(ours.dp), Bn(ours.dq), Bn(ours.qinv));
        EXPECT_EQ(RSA_bits(rsa), static_cast<int>(c.bits));
        EXPECT_EQ(RSA_check_key(rsa), 1);  // p, q prime, n = pq, d e = 1, CRT values
        RSA_free(rsa);
    }
}

TEST(RsaKeyGenToolkit, SameBytesSamePair) {
    const Bytes e = FromHex("1001");
    ScriptedRandom a(5), b(5), c(6);
    const Generated first = Generate(512, e, a.alg);
    const Generated second = Generate(512, e, b.alg);
    const Generated other = Generate(512, e, c.alg);
    ASSERT_EQ(first.status, kOk);
    EXPECT_EQ(first.n, second.n);
    EXPECT_EQ(first.d, second.d);
    EXPECT_EQ(first.qinv, second.qinv);
    EXPECT_NE(first.n, other.n);
}

// e = 3 x 5 x ... x 97 shares a factor with most candidates - 1, so windows run dry and
// attempts end with status 8: AlgGenerateKeypair draws fresh bytes until one succeeds.
TEST(RsaKeyGenToolkit, UnusableAttemptsAreRetried) {
    BIGNUM* product = BN_new();
    BN_one(product);
    for (unsigned s = 3; s < 100; s += 2) {
        bool prime = true;
        for (unsigned t = 3; t * t <= s; t += 2) prime = prime && s % t != 0;
        if (prime) BN_mul_word(product, s);
    }
    Bytes e(static_cast<std::size_t>(BN_num_bytes(product)));
    BN_bn2bin(product, e.data());
    BN_free(product);
    ScriptedRandom random(11);
    generateCalls = 0;
    const Generated key = Generate(512, e, random.alg);
    ASSERT_EQ(key.status, kOk);
    EXPECT_GT(generateCalls, 1);
    EXPECT_EQ(key.publicE, e);
}

// The parameter rules answer at AlgGenerateInit; a generation object that was not initialised,
// bad key objects and a bad random object are refused before anything is drawn.
TEST(RsaKeyGenToolkit, RefusalsLeaveBothKeysEmpty) {
    const Bytes e = FromHex("1001");
    struct Case {
        std::uint32_t bits;
        Bytes exponent;
        Status expected;
    } const kCases[] = {
        {255, e, kModulusLength},
        {4097, e, kModulusLength},
        {128, e, kModulusLength},
        {8192, e, kModulusLength},
        {1024, {0x10, 0x00}, kEvenExponent},
        {1024, {0x01}, kExponentLength},
    };
    for (const Case& c : kCases) {
        ScriptedRandom random(1);
        generateCalls = 0;
        EXPECT_EQ(Generate(c.bits, c.exponent, random.alg).status, c.expected) << c.bits;
        EXPECT_EQ(generateCalls, 0);
    }

    const RsaKeyGenParams params{512, {const_cast<std::uint8_t*>(e.data()), 2}};
    ScriptedRandom random(1);
    Key pub;
    Key priv;
    Alg notInitialised;
    ASSERT_EQ(AlgSetInfo(notInitialised, InfoRsaKeyGen, &params), kOk);
    EXPECT_EQ(AlgGenerateKeypair(notInitialised, pub, priv, random.alg, nullptr), kNotInitialized);
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoRsaKeyGen, &params), kOk);
    ASSERT_EQ(AlgGenerateInit(alg, DefaultChooser, nullptr), kOk);
    EXPECT_EQ(AlgGenerateKeypair(alg, pub, nullptr, random.alg, nullptr), kBadKeyObject);
    EXPECT_EQ(AlgGenerateKeypair(alg, pub, priv, nullptr, nullptr), kBadRandomObject);
}

TEST(RsaKeyGenToolkit, SurrenderCancels) {
    const SurrenderContext stop = {[](void*) -> std::int32_t { return 1; }, nullptr};
    ScriptedRandom random(3);
    EXPECT_EQ(Generate(512, FromHex("1001"), random.alg, &stop).status, kCancelled);
}

TEST(RsaKeyGenToolkit, OutOfMemory) {
    const Bytes e = FromHex("1001");
    std::vector<Status> results;
    const int count = quillon::test::ForEachAllocationFailure([&](int n) {
        // The random object is made with the hook off: only the generation's allocations count.
        quillon::support::FailNthAllocation(0);
        ScriptedRandom random(9);
        (void)quillon::support::CountAllocations();
        quillon::support::FailNthAllocation(n);
        results.push_back(Generate(512, e, random.alg).status);
    });
    ASSERT_EQ(results.size(), static_cast<std::size_t>(count) + 1);
    for (int n = 0; n < count; ++n) EXPECT_EQ(results[n], kOutOfMemory) << n + 1;
    EXPECT_EQ(results.back(), kOk);
}

}  // namespace
