#include "bignum/bignum_crt.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <random>
#include <string>

#include "common/openssl_rsa.h"
#include "common/vector_file.h"

namespace quillon::bignum {
namespace {

using test::Bytes;

Mpi MpiOf(const BIGNUM* bn, MpiKind kind) {
    return Mpi::FromBytes(test::BigNumBytes(bn), kind);
}

Bytes BytesOf(const Mpi& number) {
    Bytes out(number.ByteLength());
    EXPECT_TRUE(number.ToBytes(out));
    return out;
}

// Small primes, halves on both sides of each other and at the ends of their ranges.
TEST(BignumCrt, SmallCasesGiveTheNumberWithBothRemainders) {
    struct Case {
        std::uint32_t firstPrime, secondPrime, first, second;
    } const kCases[] = {
        {11, 7, 3, 5},
        {11, 7, 5, 3},
        {11, 7, 0, 0},
        {11, 7, 10, 6},
        {11, 7, 0, 6},
        {7, 11, 6, 10},
        {7, 11, 6, 0},
        {3, 5, 2, 4},
        {5, 3, 4, 2},
        {65537, 257, 65536, 0},
        {257, 65537, 1, 65536},
        // Primes of one length take the fixed-width path.
        {13, 11, 12, 10},
        {11, 13, 10, 12},
        {13, 11, 0, 0},
        {11, 13, 3, 4},
        {257, 263, 256, 262},
        {263, 257, 1, 256},
    };
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    ASSERT_FALSE(scratch.empty());
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.firstPrime) + " " + std::to_string(c.secondPrime) + " " +
                     std::to_string(c.first) + " " + std::to_string(c.second));
        std::uint32_t coefficient = 1;  // secondPrime^-1 mod firstPrime, by search
        while (static_cast<std::uint64_t>(coefficient) * c.secondPrime % c.firstPrime != 1) {
            ++coefficient;
        }
        Mpi result = Mpi::Make(MpiKind::kSecret);
        const Mpi firstPrime = Mpi::FromUint(c.firstPrime);
        const MpiMontgomery form = MpiMontgomery::Make(firstPrime, scratch);
        ASSERT_FALSE(form.empty());
        ASSERT_TRUE(MpiCrtCombine(result, Mpi::FromUint(c.first), Mpi::FromUint(c.second),
                                  firstPrime, Mpi::FromUint(c.secondPrime), form,
                                  Mpi::FromUint(coefficient), scratch));
        std::uint64_t expected = 0;
        while (expected % c.firstPrime != c.first || expected % c.secondPrime != c.second) {
            ++expected;
        }
        Bytes bytes(8);
        ASSERT_TRUE(result.ToBytes(bytes));
        std::uint64_t value = 0;
        for (const std::uint8_t b : bytes) value = value << 8 | b;
        EXPECT_EQ(value, expected);
    }
}

// RSA-sized primes from OpenSSL, random halves from a fixed seed: the result is below the
// product and has both remainders, also when it overwrites the first half; with the first
// prime's form (fixed width) and without (general arithmetic).
TEST(BignumCrt, RsaSizedPrimesMatchOpenSsl) {
    std::mt19937 random(20261210);
    BN_CTX* ctx = BN_CTX_new();
    ASSERT_NE(ctx, nullptr);
    for (const int bits : {256, 512, 1024}) {
        BIGNUM* p = BN_new();
        BIGNUM* q = BN_new();
        BIGNUM* n = BN_new();
        BIGNUM* coefficient = BN_new();
        ASSERT_EQ(BN_generate_prime_ex(p, bits, 0, nullptr, nullptr, nullptr), 1);
        ASSERT_EQ(BN_generate_prime_ex(q, bits, 0, nullptr, nullptr, nullptr), 1);
        ASSERT_EQ(BN_mul(n, p, q, ctx), 1);
        ASSERT_NE(BN_mod_inverse(coefficient, q, p, ctx), nullptr);
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE(std::to_string(bits) + " bits, round " + std::to_string(round));
            // A random number below n, and its two remainders.
            Bytes xBytes(2 * bits / 8);
            for (auto& b : xBytes) b = static_cast<std::uint8_t>(random());
            BIGNUM* x = BN_bin2bn(xBytes.data(), static_cast<int>(xBytes.size()), nullptr);
            BIGNUM* m1 = BN_new();
            BIGNUM* m2 = BN_new();
            ASSERT_EQ(BN_nnmod(x, x, n, ctx), 1);
            ASSERT_EQ(BN_nnmod(m1, x, p, ctx), 1);
            ASSERT_EQ(BN_nnmod(m2, x, q, ctx), 1);
            MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
            Mpi first = MpiOf(m1, MpiKind::kSecret);
            const Mpi second = MpiOf(m2, MpiKind::kSecret);
            const Mpi firstPrime = MpiOf(p, MpiKind::kSecret);
            const Mpi secondPrime = MpiOf(q, MpiKind::kSecret);
            const Mpi inverse = MpiOf(coefficient, MpiKind::kSecret);
            ASSERT_FALSE(scratch.empty());
            const MpiMontgomery forms[] = {MpiMontgomery::Make(firstPrime, scratch),
                                           MpiMontgomery()};
            ASSERT_FALSE(forms[0].empty());
            for (const MpiMontgomery& form : forms) {
                Mpi result = Mpi::Make(MpiKind::kSecret);
                ASSERT_TRUE(MpiCrtCombine(result, first, second, firstPrime, secondPrime, form,
                                          inverse, scratch));
                EXPECT_EQ(BytesOf(result), test::BigNumBytes(x));
            }
            ASSERT_TRUE(MpiCrtCombine(first, first, second, firstPrime, secondPrime, forms[0],
                                      inverse, scratch));
            EXPECT_EQ(BytesOf(first), test::BigNumBytes(x));
            BN_free(x);
            BN_free(m1);
            BN_free(m2);
        }
        BN_free(p);
        BN_free(q);
        BN_free(n);
        BN_free(coefficient);
    }
    BN_CTX_free(ctx);
}

// The two halves against OpenSSL's exponentiation, for inputs of the full product's size:
// paired on prepared forms for odd moduli, one after the other when a modulus is even (and has
// no form).
TEST(BignumCrt, HalvesMatchOpenSslPairedAndOneByOne) {
    std::mt19937 random(4242);
    BN_CTX* ctx = BN_CTX_new();
    ASSERT_NE(ctx, nullptr);
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    ASSERT_FALSE(scratch.empty());
    const auto randomNumber = [&](int bits) {
        Bytes bytes(static_cast<std::size_t>(bits / 8));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        return BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr);
    };
    for (const int bits : {256, 512, 1024}) {
        for (const bool even : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (even ? " bits, an even modulus" : " bits"));
            BIGNUM* moduli[2] = {BN_new(), BN_new()};
            ASSERT_EQ(BN_generate_prime_ex(moduli[0], bits, 0, nullptr, nullptr, nullptr), 1);
            ASSERT_EQ(BN_generate_prime_ex(moduli[1], bits, 0, nullptr, nullptr, nullptr), 1);
            if (even) {
                ASSERT_EQ(BN_add_word(moduli[1], 1), 1);
            }
            BIGNUM* input = randomNumber(2 * bits);
            Mpi primes[2];
            Mpi exponents[2];
            MpiMontgomery forms[2];
            Mpi halves[2];
            BIGNUM* exponentValues[2] = {randomNumber(bits), randomNumber(bits)};
            for (int i = 0; i < 2; ++i) {
                primes[i] = MpiOf(moduli[i], MpiKind::kSecret);
                exponents[i] = MpiOf(exponentValues[i], MpiKind::kSecret);
                halves[i] = Mpi::Make(MpiKind::kSecret);
                ASSERT_TRUE(MpiPrepareForm(primes[i], forms[i], scratch));
            }
            EXPECT_EQ(forms[1].empty(), even);
            ASSERT_TRUE(MpiCrtHalves(halves, MpiOf(input, MpiKind::kPublic), primes, forms,
                                     exponents, scratch));
            for (int i = 0; i < 2; ++i) {
                BIGNUM* expected = BN_new();
                ASSERT_EQ(BN_mod_exp(expected, input, exponentValues[i], moduli[i], ctx), 1);
                EXPECT_EQ(BytesOf(halves[i]), test::BigNumBytes(expected)) << "half " << i;
                BN_free(expected);
                BN_free(moduli[i]);
                BN_free(exponentValues[i]);
            }
            BN_free(input);
        }
    }
    BN_CTX_free(ctx);
}

}  // namespace
}  // namespace quillon::bignum
