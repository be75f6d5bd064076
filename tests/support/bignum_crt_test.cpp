#include "support/bignum_crt.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <random>
#include <string>

#include "common/vector_file.h"

namespace quillon::support {
namespace {

using test::Bytes;

Bytes BytesOf(const BIGNUM* bn) {
    Bytes out(BN_num_bytes(bn));
    BN_bn2bin(bn, out.data());
    return out;
}

Mpi MpiOf(const BIGNUM* bn, MpiKind kind) {
    return Mpi::FromBytes(BytesOf(bn), kind);
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
        {11, 7, 3, 5}, {11, 7, 5, 3},          {11, 7, 0, 0},          {11, 7, 10, 6},
        {11, 7, 0, 6}, {7, 11, 6, 10},         {7, 11, 6, 0},          {3, 5, 2, 4},
        {5, 3, 4, 2},  {65537, 257, 65536, 0}, {257, 65537, 1, 65536},
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
        ASSERT_TRUE(MpiCrtCombine(result, Mpi::FromUint(c.first), Mpi::FromUint(c.second),
                                  Mpi::FromUint(c.firstPrime), Mpi::FromUint(c.secondPrime),
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
// product and has both remainders, also when it overwrites the first half.
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
            Mpi result = Mpi::Make(MpiKind::kSecret);
            ASSERT_TRUE(
                MpiCrtCombine(result, first, second, firstPrime, secondPrime, inverse, scratch));
            EXPECT_EQ(BytesOf(result), BytesOf(x));
            ASSERT_TRUE(
                MpiCrtCombine(first, first, second, firstPrime, secondPrime, inverse, scratch));
            EXPECT_EQ(BytesOf(first), BytesOf(x));
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

}  // namespace
}  // namespace quillon::support
