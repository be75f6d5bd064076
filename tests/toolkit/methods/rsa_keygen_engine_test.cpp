// The RSA key-pair generation engine: parameter rules, the exact prime search (against a plain
// reference built on OpenSSL's BN), retries, determinism, and keys OpenSSL accepts.
#include "toolkit/methods/rsa_keygen_engine.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/rsa.h>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "common/allocation_failure.h"
#include "common/status_printer.h"
#include "common/vector_file.h"

namespace quillon::toolkit {
namespace {

using test::Bytes;
using test::FromHex;

// Owns a BIGNUM.
struct Bn {
    BIGNUM* bn;
    Bn() : bn(BN_new()) {}
    explicit Bn(std::span<const std::uint8_t> bytes)
        : bn(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr)) {}
    explicit Bn(unsigned long word) : Bn() { BN_set_word(bn, word); }
    Bn(const Bn& other) : bn(BN_dup(other.bn)) {}
    Bn& operator=(const Bn& other) {
        if (this != &other) {
            BN_free(bn);
            bn = BN_dup(other.bn);
        }
        return *this;
    }
    ~Bn() { BN_free(bn); }
    [[nodiscard]] Bytes ToBytes() const {
        Bytes out(BN_num_bytes(bn));
        BN_bn2bin(bn, out.data());
        return out;
    }
};

BN_CTX* Ctx() {
    static BN_CTX* ctx = BN_CTX_new();
    return ctx;
}

// A random source that plays back a byte stream from a seed and counts what it was asked.
struct ScriptedRandom {
    std::mt19937 stream;
    int calls = 0;
    std::vector<std::uint32_t> lengths;
    MethodStatus failWith = method::kOk;

    explicit ScriptedRandom(std::uint32_t seed) : stream(seed) {}

    static MethodStatus Draw(void* context, std::uint8_t* out, std::uint32_t length) {
        auto* self = static_cast<ScriptedRandom*>(context);
        ++self->calls;
        self->lengths.push_back(length);
        if (self->failWith != method::kOk) return self->failWith;
        for (std::uint32_t i = 0; i < length; ++i)
            out[i] = static_cast<std::uint8_t>(self->stream());
        return method::kOk;
    }
};

methods::RsaKeyGenParameters Params(std::uint32_t bits, const Bytes& exponent,
                                    std::uint32_t primes = 2) {
    return {bits, primes, exponent};
}

// ---- The algorithm written plainly on OpenSSL's BN ----------------------------------------------

const std::vector<std::uint32_t>& SmallPrimes() {
    static const std::vector<std::uint32_t> primes = [] {
        std::vector<std::uint32_t> list;
        std::vector<bool> composite(64515, false);
        for (std::uint32_t i = 3; i < 64515; i += 2) {
            if (composite[i]) continue;
            list.push_back(i);
            for (std::uint64_t j = std::uint64_t{i} * i; j < 64515; j += 2 * i) composite[j] = true;
        }
        return list;
    }();
    return primes;
}

// The prime for `bits` from its random bytes, or nothing when the window has none.
std::optional<Bn> ReferencePrime(const std::uint8_t* random, unsigned bits, const Bn& e) {
    const unsigned words = (bits + 15) / 16;
    Bn x(0ul);
    for (unsigned k = words; k-- > 0;) {
        BN_lshift(x.bn, x.bn, 16);
        BN_add_word(x.bn, random[2 * k] * 256u + random[2 * k + 1]);
    }
    BN_mask_bits(x.bn, static_cast<int>(bits));
    BN_set_bit(x.bn, 0);
    BN_set_bit(x.bn, static_cast<int>(bits - 2));
    BN_set_bit(x.bn, static_cast<int>(bits - 1));
    // x mod s for every small prime; candidate x + 2i has the factor s when r + 2i = 0 mod s.
    std::vector<std::uint32_t> residues;
    for (const std::uint32_t s : SmallPrimes()) {
        residues.push_back(static_cast<std::uint32_t>(BN_mod_word(x.bn, s)));
    }
    Bn candidate, minusOne, g, r;
    for (unsigned i = 0; i < 500; ++i) {
        BN_copy(candidate.bn, x.bn);
        BN_add_word(candidate.bn, 2 * i);
        bool sieved = false;
        for (std::size_t k = 0; k < residues.size() && !sieved; ++k) {
            sieved = (residues[k] + 2 * i) % SmallPrimes()[k] == 0;
        }
        if (sieved) continue;
        BN_copy(minusOne.bn, candidate.bn);
        BN_sub_word(minusOne.bn, 1);
        BN_gcd(g.bn, e.bn, minusOne.bn, Ctx());
        if (!BN_is_one(g.bn)) continue;
        bool passes = true;
        for (const unsigned long a : {3ul, 5ul, 7ul, 11ul}) {
            const Bn base(a);
            BN_mod_exp(r.bn, base.bn, candidate.bn, candidate.bn, Ctx());
            if (BN_cmp(r.bn, base.bn) != 0) passes = false;
        }
        if (passes) return candidate;
    }
    return std::nullopt;
}

struct ReferenceKey {
    Bn n, d, p, q, dp, dq, qinv;
};

// One two-prime attempt; nothing when it must be retried.
std::optional<ReferenceKey> ReferenceAttempt(const Bytes& random, unsigned modulusBits,
                                             const Bytes& exponent) {
    const Bn e(exponent);
    const unsigned half = modulusBits / 2;
    const auto first = ReferencePrime(random.data(), half + modulusBits % 2, e);
    if (!first) return std::nullopt;
    const auto second = ReferencePrime(random.data() + 2 * (half / 16) + 2, half, e);
    if (!second) return std::nullopt;
    ReferenceKey key;
    const int order = BN_cmp(first->bn, second->bn);
    if (order == 0) return std::nullopt;
    key.p = order > 0 ? *first : *second;
    key.q = order > 0 ? *second : *first;
    Bn pm1(key.p), qm1(key.q), phi;
    BN_sub_word(pm1.bn, 1);
    BN_sub_word(qm1.bn, 1);
    BN_mul(key.n.bn, key.p.bn, key.q.bn, Ctx());
    BN_mul(phi.bn, pm1.bn, qm1.bn, Ctx());
    if (BN_mod_inverse(key.d.bn, e.bn, phi.bn, Ctx()) == nullptr) return std::nullopt;
    BN_mod(key.dp.bn, key.d.bn, pm1.bn, Ctx());
    BN_mod(key.dq.bn, key.d.bn, qm1.bn, Ctx());
    BN_mod_inverse(key.qinv.bn, key.q.bn, key.p.bn, Ctx());
    return key;
}

// ---- Tests
// ---------------------------------------------------------------------------------------

TEST(RsaKeyGenEngine, ParameterAndExponentRules) {
    const Bytes e4097 = FromHex("1001");
    const Bytes top1024 = [] {
        Bytes e(128, 0);
        e[0] = 0x80;
        e[127] = 1;
        return e;  // 1024 bits: not below a 1024-bit modulus
    }();
    const Bytes top1023 = [] {
        Bytes e(128, 0);
        e[0] = 0x40;
        e[127] = 1;
        return e;
    }();
    struct Case {
        std::uint32_t bits;
        std::uint32_t primes;
        Bytes exponent;
        MethodStatus expected;
    } const kCases[] = {
        {255, 2, e4097, method::kModulusLength},
        {4097, 2, e4097, method::kModulusLength},
        {0, 2, e4097, method::kModulusLength},
        {256, 2, e4097, method::kOk},
        {4096, 2, e4097, method::kOk},
        {1023, 3, e4097, method::kPrimeCount},
        {1024, 3, e4097, method::kOk},
        {2047, 4, e4097, method::kPrimeCount},
        {2048, 4, e4097, method::kOk},
        {1024, 1, e4097, method::kPrimeCount},
        {4096, 5, e4097, method::kPrimeCount},
        {255, 5, FromHex("02"), method::kModulusLength},  // modulus first
        {1024, 2, FromHex("01"), method::kExponentLength},
        {1024, 2, FromHex("0001"), method::kExponentLength},
        {1024, 2, {}, method::kExponentLength},
        {1024, 2, FromHex("00"), method::kExponentLength},
        {1024, 2, FromHex("02"), method::kEvenExponent},
        {1024, 2, FromHex("1000"), method::kEvenExponent},
        {1024, 2, FromHex("03"), method::kOk},
        {1024, 2, FromHex("00001001"), method::kOk},
        {1024, 2, top1024, method::kExponentLength},
        {1024, 2, top1023, method::kOk},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.primes) +
                     " primes, e = " + test::ToHex(c.exponent));
        const methods::RsaKeyGenParameters parameters = Params(c.bits, c.exponent, c.primes);
        EXPECT_EQ(methods::RsaKeyGenCheck(parameters), c.expected);
        // Generation checks first and draws nothing when the parameters are refused; three and
        // four primes pass the rules but are not generated.
        if (c.expected != method::kOk || c.primes != 2) {
            ScriptedRandom random(1);
            methods::RsaKeyGenKey key;
            EXPECT_EQ(
                methods::RsaKeyGenGenerate(parameters, ScriptedRandom::Draw, &random, key, nullptr),
                c.expected != method::kOk ? c.expected : method::kNotSupported);
            EXPECT_EQ(random.calls, 0);
        }
    }
}

TEST(RsaKeyGenEngine, RandomBytesPerAttempt) {
    const Bytes e = FromHex("03");
    struct Case {
        std::uint32_t bits;
        std::uint32_t primes;
        std::uint32_t expected;
    } const kCases[] = {
        {256, 2, 512}, {1024, 2, 2048}, {1025, 2, 2050}, {2048, 3, 6144}, {4096, 4, 16384},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(methods::RsaKeyGenRandomLength(Params(c.bits, e, c.primes)), c.expected)
            << c.bits;
    }
}

// Attempts from random bytes give exactly the key of the algorithm written plainly on OpenSSL's
// BN, including the attempts that must be retried (window without a prime).
TEST(RsaKeyGenEngine, AttemptsMatchTheReference) {
    // e = 3 x 5 x ... x 97 shares a factor with most candidates - 1, so many windows run dry.
    Bn smallOddPrimes(1ul);
    for (const unsigned long s : SmallPrimes()) {
        if (s < 100) BN_mul_word(smallOddPrimes.bn, s);
    }
    const std::string manyFactors = test::ToHex(smallOddPrimes.ToBytes());
    struct Case {
        std::uint32_t bits;
        std::string exponent;
    } const kCases[] = {{256, "03"},    {512, "010001"}, {768, "1001"},
                        {1025, "1001"}, {333, "11"},     {512, manyFactors}};
    int retries = 0;
    int keys = 0;
    std::mt19937 stream(2024);
    for (const auto& c : kCases) {
        const Bytes exponent = FromHex(c.exponent);
        const methods::RsaKeyGenParameters parameters = Params(c.bits, exponent);
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(std::to_string(c.bits) + " bits, round " + std::to_string(round));
            Bytes random(methods::RsaKeyGenRandomLength(parameters));
            for (auto& b : random) b = static_cast<std::uint8_t>(stream());
            methods::RsaKeyGenKey key;
            const MethodStatus status = methods::RsaKeyGenAttempt(parameters, random, key, nullptr);
            const auto expected = ReferenceAttempt(random, c.bits, exponent);
            if (!expected) {
                EXPECT_EQ(status, method::kRetry);
                EXPECT_EQ(key.primeCount, 0u);
                ++retries;
                continue;
            }
            ASSERT_EQ(status, method::kOk);
            ++keys;
            EXPECT_EQ(Bytes(key.modulus.begin(), key.modulus.end()), expected->n.ToBytes());
            EXPECT_EQ(Bytes(key.publicExponent.begin(), key.publicExponent.end()), exponent);
            EXPECT_EQ(Bytes(key.privateExponent.begin(), key.privateExponent.end()),
                      expected->d.ToBytes());
            ASSERT_EQ(key.primeCount, 2u);
            EXPECT_EQ(Bytes(key.primes[0].begin(), key.primes[0].end()), expected->p.ToBytes());
            EXPECT_EQ(Bytes(key.primes[1].begin(), key.primes[1].end()), expected->q.ToBytes());
            EXPECT_EQ(Bytes(key.primeExponents[0].begin(), key.primeExponents[0].end()),
                      expected->dp.ToBytes());
            EXPECT_EQ(Bytes(key.primeExponents[1].begin(), key.primeExponents[1].end()),
                      expected->dq.ToBytes());
            EXPECT_EQ(Bytes(key.coefficients[0].begin(), key.coefficients[0].end()),
                      expected->qinv.ToBytes());
        }
    }
    EXPECT_GT(keys, 15);
    EXPECT_GT(retries, 0);
}

// 1024 bits with e = 4097: two 512-bit primes p > q with their two top bits set, n of exactly
// 1024 bits, d e = 1 mod (p - 1)(q - 1), and a key OpenSSL checks and uses.
TEST(RsaKeyGenEngine, KeysOpenSslAccepts) {
    struct Case {
        std::uint32_t bits;
        const char* exponent;
        unsigned pBits, qBits;
    } const kCases[] = {
        {1024, "1001", 512, 512}, {1025, "1001", 513, 512}, {2048, "010001", 1024, 1024}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.bits);
        const Bytes exponent = FromHex(c.exponent);
        ScriptedRandom random(c.bits);
        methods::RsaKeyGenKey key;
        ASSERT_EQ(methods::RsaKeyGenGenerate(Params(c.bits, exponent), ScriptedRandom::Draw,
                                             &random, key, nullptr),
                  method::kOk);
        for (const std::uint32_t length : random.lengths) EXPECT_EQ(length, 2 * c.bits);
        const Bn n(key.modulus), e(key.publicExponent), d(key.privateExponent);
        const Bn p(key.primes[0]), q(key.primes[1]);
        EXPECT_EQ(BN_num_bits(n.bn), static_cast<int>(c.bits));
        EXPECT_EQ(BN_num_bits(p.bn), static_cast<int>(c.pBits));
        EXPECT_EQ(BN_num_bits(q.bn), static_cast<int>(c.qBits));
        EXPECT_GT(BN_cmp(p.bn, q.bn), 0);
        EXPECT_TRUE(BN_is_bit_set(p.bn, c.pBits - 2) && BN_is_bit_set(q.bn, c.qBits - 2));
        Bn pm1(p), qm1(q), phi, de;
        BN_sub_word(pm1.bn, 1);
        BN_sub_word(qm1.bn, 1);
        BN_mul(phi.bn, pm1.bn, qm1.bn, Ctx());
        BN_mod_mul(de.bn, d.bn, e.bn, phi.bn, Ctx());
        EXPECT_TRUE(BN_is_one(de.bn));
        EXPECT_LT(BN_cmp(d.bn, phi.bn), 0);

        RSA* rsa = RSA_new();
        RSA_set0_key(rsa, BN_dup(n.bn), BN_dup(e.bn), BN_dup(d.bn));
        RSA_set0_factors(rsa, BN_dup(p.bn), BN_dup(q.bn));
        RSA_set0_crt_params(rsa, BN_dup(Bn(key.primeExponents[0]).bn),
                            BN_dup(Bn(key.primeExponents[1]).bn),
                            BN_dup(Bn(key.coefficients[0]).bn));
        EXPECT_EQ(RSA_check_key(rsa), 1);
        // 127 round trip and a raw private operation through OpenSSL's CRT path.
        Bytes block(RSA_size(rsa), 0), encrypted(RSA_size(rsa)), decrypted(RSA_size(rsa));
        block.back() = 127;
        ASSERT_EQ(RSA_public_encrypt(static_cast<int>(block.size()), block.data(), encrypted.data(),
                                     rsa, RSA_NO_PADDING),
                  RSA_size(rsa));
        ASSERT_EQ(RSA_private_decrypt(static_cast<int>(encrypted.size()), encrypted.data(),
                                      decrypted.data(), rsa, RSA_NO_PADDING),
                  RSA_size(rsa));
        EXPECT_EQ(decrypted, block);
        RSA_free(rsa);
    }
}

TEST(RsaKeyGenEngine, SameRandomBytesSameKeyPair) {
    const Bytes e = FromHex("1001");
    methods::RsaKeyGenKey first, second, other;
    ScriptedRandom a(77), b(77), c(78);
    ASSERT_EQ(methods::RsaKeyGenGenerate(Params(768, e), ScriptedRandom::Draw, &a, first, nullptr),
              method::kOk);
    ASSERT_EQ(methods::RsaKeyGenGenerate(Params(768, e), ScriptedRandom::Draw, &b, second, nullptr),
              method::kOk);
    ASSERT_EQ(methods::RsaKeyGenGenerate(Params(768, e), ScriptedRandom::Draw, &c, other, nullptr),
              method::kOk);
    EXPECT_EQ(a.calls, b.calls);
    EXPECT_EQ(Bytes(first.storage.span().begin(), first.storage.span().end()),
              Bytes(second.storage.span().begin(), second.storage.span().end()));
    EXPECT_NE(Bytes(first.modulus.begin(), first.modulus.end()),
              Bytes(other.modulus.begin(), other.modulus.end()));
}

// An attempt that ends with status 8 is repeated with fresh bytes; the key is that of the first
// attempt that succeeds.
TEST(RsaKeyGenEngine, RetriesWithFreshBytes) {
    const Bytes e = FromHex("03");
    const methods::RsaKeyGenParameters parameters = Params(256, e);
    const std::uint32_t length = methods::RsaKeyGenRandomLength(parameters);
    // Find a seed whose first attempt is unusable.
    for (std::uint32_t seed = 1;; ++seed) {
        ScriptedRandom probe(seed);
        Bytes firstBytes(length), secondBytes(length);
        ASSERT_EQ(ScriptedRandom::Draw(&probe, firstBytes.data(), length), method::kOk);
        methods::RsaKeyGenKey unused;
        if (methods::RsaKeyGenAttempt(parameters, firstBytes, unused, nullptr) != method::kRetry)
            continue;
        ASSERT_EQ(ScriptedRandom::Draw(&probe, secondBytes.data(), length), method::kOk);
        methods::RsaKeyGenKey expected;
        const MethodStatus secondStatus =
            methods::RsaKeyGenAttempt(parameters, secondBytes, expected, nullptr);

        ScriptedRandom random(seed);
        methods::RsaKeyGenKey key;
        ASSERT_EQ(
            methods::RsaKeyGenGenerate(parameters, ScriptedRandom::Draw, &random, key, nullptr),
            method::kOk);
        EXPECT_GE(random.calls, 2);
        if (secondStatus == method::kOk) {
            EXPECT_EQ(random.calls, 2);
            EXPECT_EQ(Bytes(key.storage.span().begin(), key.storage.span().end()),
                      Bytes(expected.storage.span().begin(), expected.storage.span().end()));
        }
        break;
    }
}

// The same bytes for both primes give the same prime twice: the attempt is unusable.
TEST(RsaKeyGenEngine, EqualPrimesAreRetried) {
    const Bytes e = FromHex("1001");
    const methods::RsaKeyGenParameters parameters = Params(1024, e);
    std::mt19937 stream(11);
    for (int round = 0; round < 3; ++round) {
        Bytes random(methods::RsaKeyGenRandomLength(parameters));
        for (auto& b : random) b = static_cast<std::uint8_t>(stream());
        std::copy_n(random.begin(), 64, random.begin() + 66);  // second prime's bytes at 66
        methods::RsaKeyGenKey key;
        EXPECT_EQ(methods::RsaKeyGenAttempt(parameters, random, key, nullptr), method::kRetry);
    }
}

TEST(RsaKeyGenEngine, SourceFailureCancelAndShortBytes) {
    const Bytes e = FromHex("1001");
    const methods::RsaKeyGenParameters parameters = Params(512, e);
    methods::RsaKeyGenKey key;
    ScriptedRandom failing(5);
    failing.failWith = method::kDeviceFailure;
    EXPECT_EQ(methods::RsaKeyGenGenerate(parameters, ScriptedRandom::Draw, &failing, key, nullptr),
              method::kDeviceFailure);
    EXPECT_EQ(failing.calls, 1);

    int polls = 0;
    const methods::RsaKeyGenSurrender surrender = {[](void* context) {
                                                       ++*static_cast<int*>(context);
                                                       return 1;
                                                   },
                                                   &polls};
    ScriptedRandom random(5);
    EXPECT_EQ(
        methods::RsaKeyGenGenerate(parameters, ScriptedRandom::Draw, &random, key, &surrender),
        method::kCancelled);
    EXPECT_EQ(polls, 1);
    EXPECT_EQ(key.primeCount, 0u);

    const Bytes tooFew(methods::RsaKeyGenRandomLength(parameters) - 1, 0x55);
    EXPECT_EQ(methods::RsaKeyGenAttempt(parameters, tooFew, key, nullptr), method::kFailure);
}

TEST(RsaKeyGenEngine, OutOfMemory) {
    const Bytes e = FromHex("03");
    const methods::RsaKeyGenParameters parameters = Params(256, e);
    int failures = 0;
    const int made = test::ForEachAllocationFailure([&](int) {
        ScriptedRandom random(9);
        methods::RsaKeyGenKey key;
        const MethodStatus status =
            methods::RsaKeyGenGenerate(parameters, ScriptedRandom::Draw, &random, key, nullptr);
        if (status == method::kOutOfMemory) {
            ++failures;
            EXPECT_EQ(key.primeCount, 0u);
        } else {
            EXPECT_EQ(status, method::kOk);
        }
    });
    EXPECT_EQ(failures, made);
    EXPECT_GE(made, 8);  // random bytes, then per prime search three buffers, then the key
}

}  // namespace
}  // namespace quillon::toolkit
