#include "bignum/bignum.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/err.h>

#include <random>

#include "common/vector_file.h"

namespace quillon::bignum {
namespace {

using test::Bytes;
using test::FromHex;

Bytes ToBytesExact(const Mpi& number) {
    Bytes out(number.ByteLength());
    EXPECT_TRUE(number.ToBytes(out));
    return out;
}

// OpenSSL's view of an Mpi, and back, through big-endian bytes.
struct Bn {
    BIGNUM* bn = BN_new();
    Bn() = default;
    explicit Bn(const Bytes& bytes) { BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), bn); }
    explicit Bn(const Mpi& number) : Bn(ToBytesExact(number)) {}
    ~Bn() { BN_free(bn); }
    Bn(const Bn&) = delete;
    Bn& operator=(const Bn&) = delete;
    Bytes ToBytes() const {
        Bytes out(BN_num_bytes(bn));
        BN_bn2bin(bn, out.data());
        return out;
    }
};

TEST(Bignum, BytesRoundTripWithPadding) {
    struct Case {
        const char* hex;
        std::size_t padTo;
        const char* expected;  // null: does not fit
    } const kCases[] = {
        {"", 0, ""},
        {"", 4, "00000000"},
        {"00", 0, ""},
        {"0000ff", 1, "FF"},
        {"0000ff", 3, "0000FF"},
        {"0102030405060708090a", 12, "00000102030405060708090A"},
        {"0102030405060708090a", 9, nullptr},
        {"80", 0, nullptr},
    };
    for (const auto& c : kCases) {
        for (const MpiKind kind : {MpiKind::kPublic, MpiKind::kSecret}) {
            SCOPED_TRACE(std::string(c.hex) + " padded to " + std::to_string(c.padTo));
            const Mpi number = Mpi::FromBytes(FromHex(c.hex), kind);
            Bytes out(c.padTo, 0xEE);
            if (c.expected == nullptr) {
                EXPECT_FALSE(number.ToBytes(out));
                EXPECT_EQ(out, Bytes(c.padTo, 0xEE));
            } else {
                ASSERT_TRUE(number.ToBytes(out));
                EXPECT_EQ(test::ToHex(out), c.expected);
            }
        }
    }
    const Mpi five = Mpi::FromUint(5);
    EXPECT_EQ(five.BitLength(), 3u);
    EXPECT_EQ(five.ByteLength(), 1u);
    EXPECT_TRUE(Mpi::Make().IsZero());
    EXPECT_TRUE(Mpi().empty());
}

TEST(Bignum, BitsAndSmallArithmetic) {
    MpiScratch scratch = MpiScratch::Make(MpiKind::kPublic);
    ASSERT_FALSE(scratch.empty());
    Mpi x = Mpi::Make();
    ASSERT_TRUE(x.SetBit(100));
    ASSERT_TRUE(x.SetBit(0));
    EXPECT_EQ(x.BitLength(), 101u);
    EXPECT_TRUE(x.TestBit(100));
    EXPECT_FALSE(x.TestBit(99));
    EXPECT_TRUE(x.IsOdd());
    x.ClearBitsFrom(64);
    EXPECT_EQ(x.BitLength(), 1u);
    x.ClearBitsFrom(64);  // nothing left to clear
    EXPECT_EQ(x.BitLength(), 1u);

    Mpi r = Mpi::Make();
    ASSERT_TRUE(MpiSub(r, Mpi::FromUint(3), Mpi::FromUint(10)));
    EXPECT_TRUE(r.IsNegative());
    EXPECT_LT(MpiCompareUint(r, 0), 0);
    Bytes out(4);
    EXPECT_FALSE(r.ToBytes(out));  // negative numbers have no unsigned bytes
    ASSERT_TRUE(MpiMod(r, r, Mpi::FromUint(5), scratch));
    EXPECT_EQ(MpiCompareUint(r, 3), 0);  // -7 mod 5 = 3
    ASSERT_TRUE(MpiAddUint(r, r, 4));
    ASSERT_TRUE(MpiSubUint(r, r, 2));
    ASSERT_TRUE(MpiMul(r, r, r, scratch));
    EXPECT_EQ(MpiCompareUint(r, 25), 0);
    ASSERT_TRUE(MpiAdd(r, r, r));
    EXPECT_EQ(MpiCompare(r, Mpi::FromUint(50)), 0);
    EXPECT_GT(MpiCompare(r, Mpi::FromUint(49)), 0);
    EXPECT_GT(MpiCompareUint(x, 0), 0);
    ASSERT_TRUE(MpiGcd(r, Mpi::FromUint(35), Mpi::FromUint(12), scratch));
    EXPECT_EQ(MpiCompareUint(r, 1), 0);
    ASSERT_TRUE(MpiGcd(r, Mpi::FromUint(35), Mpi::FromUint(14), scratch));
    EXPECT_EQ(MpiCompareUint(r, 7), 0);
    ASSERT_TRUE(MpiCopy(r, x));
    EXPECT_EQ(MpiCompareUint(r, 1), 0);
    ASSERT_TRUE(MpiSubUint(r, Mpi::Make(), 1));  // from zero
    EXPECT_TRUE(r.IsNegative());
    Mpi big = Mpi::Make();
    ASSERT_TRUE(big.SetBit(40));
    EXPECT_GT(MpiCompareUint(big, 0xFFFFFFFF), 0);
}

TEST(Bignum, RefusesWhatHasNoAnswer) {
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi r = Mpi::FromUint(99);
    const Mpi zero = Mpi::Make();
    const Mpi seven = Mpi::FromUint(7);
    Mpi minusOne = Mpi::Make();
    ASSERT_TRUE(MpiSubUint(minusOne, zero, 1));
    EXPECT_FALSE(MpiMod(r, seven, zero, scratch));
    EXPECT_FALSE(MpiMod(r, seven, minusOne, scratch));
    EXPECT_FALSE(MpiPowm(r, seven, seven, zero, scratch));
    EXPECT_FALSE(MpiPowm(r, seven, minusOne, seven, scratch));
    EXPECT_EQ(MpiInvm(r, seven, Mpi::FromUint(1), scratch), MpiInverse::kNone);
    EXPECT_EQ(MpiInvm(r, seven, zero, scratch), MpiInverse::kNone);
    EXPECT_EQ(MpiInvm(r, Mpi::FromUint(6), Mpi::FromUint(9), scratch), MpiInverse::kNone);
    EXPECT_EQ(MpiInvm(r, zero, seven, scratch), MpiInverse::kNone);
    // -1 = 6, its own inverse mod 7
    ASSERT_EQ(MpiInvm(r, minusOne, seven, scratch), MpiInverse::kFound);
    EXPECT_EQ(MpiCompareUint(r, 6), 0);
    ASSERT_TRUE(MpiPowm(r, seven, zero, Mpi::FromUint(1), scratch));
    EXPECT_TRUE(r.IsZero());
    ASSERT_TRUE(MpiPowm(r, seven, seven, Mpi::FromUint(1), scratch));
    EXPECT_TRUE(r.IsZero());
    // Negative bases give results in [0, m), for odd and even moduli and secret exponents.
    const Mpi secretThree = Mpi::FromUint(3, MpiKind::kSecret);
    for (const std::uint32_t modulus : {11u, 12u}) {
        ASSERT_TRUE(MpiPowm(r, minusOne, secretThree, Mpi::FromUint(modulus), scratch));
        EXPECT_EQ(MpiCompareUint(r, modulus - 1), 0) << modulus;
    }
    // Montgomery forms exist for odd moduli above 1 only.
    EXPECT_TRUE(MpiMontgomery::Make(Mpi::FromUint(12), scratch).empty());
    EXPECT_TRUE(MpiMontgomery::Make(Mpi::FromUint(1), scratch).empty());
    EXPECT_FALSE(MpiMontgomery::Make(seven, scratch).empty());
}

// Random numbers against OpenSSL's BN for the operations the RSA and Diffie-Hellman code uses.
TEST(Bignum, MatchesOpenSslOnRandomValues) {
    std::mt19937 random(20240501);
    const auto randomBytes = [&](std::size_t bits) {
        Bytes bytes((bits + 7) / 8);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (!bytes.empty() && bits % 8 != 0)
            bytes[0] &= static_cast<std::uint8_t>((1u << (bits % 8)) - 1);
        return bytes;
    };
    BN_CTX* ctx = BN_CTX_new();
    MpiScratch secretScratch = MpiScratch::Make(MpiKind::kSecret);
    ASSERT_FALSE(secretScratch.empty());
    const std::size_t kSizes[] = {1, 7, 64, 65, 255, 512, 1024, 1536, 2048};
    int inverses = 0;
    int prepared = 0;
    for (int round = 0; round < 120; ++round) {
        const std::size_t modBits = kSizes[round % std::size(kSizes)];
        const MpiKind kind = round % 2 == 0 ? MpiKind::kPublic : MpiKind::kSecret;
        Bytes mBytes = randomBytes(modBits);
        if (round % 3 != 0) mBytes.back() |= 1;  // odd moduli mostly, even ones too
        const Bytes aBytes = randomBytes(modBits + (round % 4) * 32);
        const Bytes eBytes = randomBytes(round % 5 == 0 ? 17 : modBits);
        const Mpi m = Mpi::FromBytes(mBytes, kind);
        if (m.IsZero()) continue;
        const Mpi a = Mpi::FromBytes(aBytes, kind);
        const Mpi e = Mpi::FromBytes(eBytes, kind);
        const Bn bm(mBytes), ba(aBytes), be(eBytes);
        SCOPED_TRACE("round " + std::to_string(round));
        MpiScratch scratch = MpiScratch::Make(kind);
        ASSERT_FALSE(scratch.empty());

        Mpi r = Mpi::Make(kind);
        Bn expected;
        ASSERT_TRUE(MpiPowm(r, a, e, m, scratch));
        ASSERT_EQ(BN_mod_exp(expected.bn, ba.bn, be.bn, bm.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        // A secret base with a public exponent (a check of a private-key result, a raw RSA
        // envelope), below the modulus or not.
        const Mpi secretBase = Mpi::FromBytes(aBytes, MpiKind::kSecret);
        const Mpi publicExponent = Mpi::FromBytes(eBytes);
        ASSERT_TRUE(MpiPowm(r, secretBase, publicExponent, m, secretScratch));
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        ASSERT_TRUE(MpiMod(r, a, m, scratch));
        ASSERT_EQ(BN_nnmod(expected.bn, ba.bn, bm.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        // With a prepared form, alone and in pairs: a reduced base, as the private key uses it.
        const MpiMontgomery form = MpiMontgomery::Make(m, scratch);
        if (!form.empty()) {
            Mpi reduced = Mpi::Make(kind);
            ASSERT_TRUE(MpiMod(reduced, a, m, scratch));
            Mpi first = Mpi::Make(kind);
            Mpi second = Mpi::Make(kind);
            ASSERT_TRUE(MpiPowmMontgomery(first, reduced, e, m, form, scratch));
            ASSERT_EQ(BN_mod_exp(expected.bn, ba.bn, be.bn, bm.bn, ctx), 1);
            EXPECT_EQ(ToBytesExact(first), expected.ToBytes());
            Mpi secretReduced = Mpi::Make(MpiKind::kSecret);
            ASSERT_TRUE(MpiCopy(secretReduced, reduced));
            ASSERT_TRUE(
                MpiPowmMontgomery(first, secretReduced, publicExponent, m, form, secretScratch));
            EXPECT_EQ(ToBytesExact(first), expected.ToBytes());
            const Mpi secretExponent = Mpi::FromBytes(eBytes, MpiKind::kSecret);
            ASSERT_TRUE(MpiPowmPair({first, reduced, secretExponent, m, form},
                                    {second, reduced, secretExponent, m, form}, scratch));
            EXPECT_EQ(ToBytesExact(first), expected.ToBytes());
            EXPECT_EQ(ToBytesExact(second), expected.ToBytes());
            ++prepared;
        }

        ASSERT_TRUE(MpiMul(r, a, e, scratch));
        ASSERT_EQ(BN_mul(expected.bn, ba.bn, be.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        const bool found = MpiInvm(r, a, m, scratch) == MpiInverse::kFound;
        BIGNUM* inverse = BN_mod_inverse(nullptr, ba.bn, bm.bn, ctx);
        ERR_clear_error();
        if (MpiCompareUint(m, 1) == 0) {
            EXPECT_FALSE(found);  // nothing is invertible modulo 1
        } else {
            ASSERT_EQ(found, inverse != nullptr);
        }
        if (found && inverse != nullptr) {
            Bn got(r);
            EXPECT_EQ(BN_cmp(got.bn, inverse), 0);
            ++inverses;
        }
        BN_free(inverse);
    }
    EXPECT_GT(inverses, 40);
    EXPECT_GT(prepared, 40);
    BN_CTX_free(ctx);
}

TEST(Bignum, SmallRemaindersMatchOpenSsl) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Bytes bytes(random() % 70);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        const std::uint32_t divisor =
            round % 2 == 0 ? 3 + random() % 65000 : 1 + static_cast<std::uint32_t>(random());
        const Bn bn(bytes);
        EXPECT_EQ(BytesModSmall(bytes, divisor), BN_mod_word(bn.bn, divisor)) << divisor;
    }
}

// Secrets live in secure memory with the constant-time flag through every kind of write, so
// OpenSSL wipes their limbs and takes its constant-time paths for them; public numbers stay
// ordinary.
TEST(Bignum, SecretsStaySecure) {
    const auto secret = [](const Mpi& n) {
        return BN_get_flags(n.get(), BN_FLG_SECURE) != 0 &&
               BN_get_flags(n.get(), BN_FLG_CONSTTIME) != 0;
    };
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    const Mpi p = Mpi::FromBytes(FromHex("E3A1"), MpiKind::kSecret);
    EXPECT_TRUE(secret(p));
    EXPECT_TRUE(secret(Mpi::FromUint(12345, MpiKind::kSecret)));
    EXPECT_TRUE(secret(Mpi::Make(MpiKind::kSecret, 4096)));
    EXPECT_EQ(BN_get_flags(Mpi::FromUint(12345).get(), BN_FLG_SECURE | BN_FLG_CONSTTIME), 0);
    Mpi r = Mpi::Make(MpiKind::kSecret);
    const Mpi q = Mpi::FromUint(65521);
    ASSERT_TRUE(MpiCopy(r, q));
    EXPECT_TRUE(secret(r));
    ASSERT_TRUE(MpiPowm(r, q, p, Mpi::FromUint(1000003), scratch));
    EXPECT_TRUE(secret(r));
    // A secret base with a public exponent takes the general path on a copy: the base keeps its
    // flags.
    ASSERT_TRUE(MpiPowm(r, p, q, Mpi::FromUint(1000003), scratch));
    EXPECT_TRUE(secret(r));
    EXPECT_TRUE(secret(p));
    ASSERT_EQ(MpiInvm(r, q, p, scratch), MpiInverse::kFound);
    EXPECT_TRUE(secret(r));
    ASSERT_TRUE(MpiMul(r, q, q, scratch));
    EXPECT_TRUE(secret(r));
}

}  // namespace
}  // namespace quillon::bignum
