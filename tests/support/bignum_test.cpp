#include "support/bignum.h"

#include <gcrypt.h>
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/err.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "common/vector_file.h"

namespace quillon::support {
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
    Mpi x = Mpi::Make();
    x.SetBit(100);
    x.SetBit(0);
    EXPECT_EQ(x.BitLength(), 101u);
    EXPECT_TRUE(x.TestBit(100));
    EXPECT_FALSE(x.TestBit(99));
    x.ClearBitsFrom(64);
    EXPECT_EQ(x.BitLength(), 1u);

    Mpi r = Mpi::Make();
    MpiSub(r, Mpi::FromUint(3), Mpi::FromUint(10));
    EXPECT_TRUE(r.IsNegative());
    Bytes out(4);
    EXPECT_FALSE(r.ToBytes(out));  // negative numbers have no unsigned bytes
    ASSERT_TRUE(MpiMod(r, r, Mpi::FromUint(5)));
    EXPECT_EQ(MpiCompareUint(r, 3), 0);  // -7 mod 5 = 3
    MpiAddUint(r, r, 4);
    MpiSubUint(r, r, 2);
    MpiMul(r, r, r);
    EXPECT_EQ(MpiCompareUint(r, 25), 0);
    MpiAdd(r, r, r);
    EXPECT_EQ(MpiCompare(r, Mpi::FromUint(50)), 0);
    EXPECT_GT(MpiCompare(r, Mpi::FromUint(49)), 0);
    EXPECT_TRUE(MpiGcd(r, Mpi::FromUint(35), Mpi::FromUint(12)));
    EXPECT_FALSE(MpiGcd(r, Mpi::FromUint(35), Mpi::FromUint(14)));
    EXPECT_EQ(MpiCompareUint(r, 7), 0);
    MpiCopy(r, x);
    EXPECT_EQ(MpiCompareUint(r, 1), 0);
}

TEST(Bignum, RefusesWhatLibgcryptWouldAbortOn) {
    Mpi r = Mpi::FromUint(99);
    const Mpi zero = Mpi::Make();
    const Mpi seven = Mpi::FromUint(7);
    Mpi minusOne = Mpi::Make();
    MpiSubUint(minusOne, zero, 1);
    EXPECT_FALSE(MpiMod(r, seven, zero));
    EXPECT_FALSE(MpiMod(r, seven, minusOne));
    EXPECT_FALSE(MpiPowm(r, seven, seven, zero));
    EXPECT_FALSE(MpiPowm(r, seven, minusOne, seven));
    EXPECT_FALSE(MpiInvm(r, seven, Mpi::FromUint(1)));
    EXPECT_FALSE(MpiInvm(r, seven, zero));
    EXPECT_FALSE(MpiInvm(r, Mpi::FromUint(6), Mpi::FromUint(9)));  // gcd 3
    EXPECT_FALSE(MpiInvm(r, zero, seven));
    ASSERT_TRUE(MpiInvm(r, minusOne, seven));  // -1 = 6, its own inverse mod 7
    EXPECT_EQ(MpiCompareUint(r, 6), 0);
    ASSERT_TRUE(MpiPowm(r, seven, zero, Mpi::FromUint(1)));
    EXPECT_TRUE(r.IsZero());
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
    const std::size_t kSizes[] = {1, 7, 64, 65, 255, 512, 1024, 1536, 2048};
    int inverses = 0;
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

        Mpi r = Mpi::Make(kind);
        Bn expected;
        ASSERT_TRUE(MpiPowm(r, a, e, m));
        ASSERT_EQ(BN_mod_exp(expected.bn, ba.bn, be.bn, bm.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        ASSERT_TRUE(MpiMod(r, a, m));
        ASSERT_EQ(BN_nnmod(expected.bn, ba.bn, bm.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        MpiMul(r, a, e);
        ASSERT_EQ(BN_mul(expected.bn, ba.bn, be.bn, ctx), 1);
        EXPECT_EQ(ToBytesExact(r), expected.ToBytes());

        const bool found = MpiInvm(r, a, m);
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

// Secrets keep the secure flag through every kind of write, so libgcrypt's temporaries for
// them are secure (and wiped) too; public numbers stay ordinary.
TEST(Bignum, SecretsStaySecure) {
    const auto secure = [](const Mpi& n) {
        return gcry_mpi_get_flag(n.get(), GCRYMPI_FLAG_SECURE) != 0;
    };
    const Mpi p = Mpi::FromBytes(FromHex("E3A1"), MpiKind::kSecret);
    EXPECT_TRUE(secure(p));
    EXPECT_TRUE(secure(Mpi::FromUint(12345, MpiKind::kSecret)));
    EXPECT_FALSE(secure(Mpi::FromUint(12345)));
    Mpi r = Mpi::Make(MpiKind::kSecret);
    const Mpi q = Mpi::FromUint(65521);
    MpiCopy(r, q);
    EXPECT_TRUE(secure(r));
    ASSERT_TRUE(MpiPowm(r, q, p, Mpi::FromUint(1000003)));
    EXPECT_TRUE(secure(r));
    ASSERT_TRUE(MpiInvm(r, q, p));
    EXPECT_TRUE(secure(r));
    MpiMul(r, q, q);
    EXPECT_TRUE(secure(r));
}

// The library's own initialisation of libgcrypt, each in a fresh process.
class BignumInit : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(BignumInit, QuietWithManySecretsAndFinishesInitialisation) {
    const auto run = [] {
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) != 0) std::exit(3);
        std::vector<Mpi> secrets;
        secrets.push_back(Mpi::FromUint(1, MpiKind::kSecret));
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) == 0) std::exit(4);
        void* block = gcry_malloc_secure(32);
        const bool inPool = gcry_is_secure(block) != 0;
        gcry_free(block);
        if (!inPool) std::exit(5);
        // Far beyond the secure pool: libgcrypt would warn about overflow pools on stderr.
        for (int i = 0; i < 600; ++i) {
            secrets.push_back(Mpi::Make(MpiKind::kSecret, 4096));
            secrets.back().SetBit(4095);
        }
        std::exit(0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^$");
}

TEST_F(BignumInit, LeavesAHostsInitialisationAlone) {
    const auto run = [] {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        Mpi secret = Mpi::FromUint(77, MpiKind::kSecret);
        MpiMul(secret, secret, secret);
        // The host turned secure memory off; had the library set up a pool, this would be in it.
        void* block = gcry_malloc_secure(32);
        const bool inPool = gcry_is_secure(block) != 0;
        gcry_free(block);
        std::exit(inPool || MpiCompareUint(secret, 77 * 77) != 0 ? 1 : 0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^$");
}

}  // namespace
}  // namespace quillon::support
