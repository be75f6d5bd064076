#include "bignum/rsa_blinding.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include "common/openssl_rsa.h"
#include "common/vector_file.h"

namespace quillon::bignum {
namespace {

using test::Bytes;

Bytes BytesOf(const Mpi& number) {
    Bytes out(number.ByteLength());
    EXPECT_TRUE(number.ToBytes(out));
    return out;
}

// A private-key operation run on blinded inputs: blinded^d * unblinder gives OpenSSL's x^d mod
// n for random x, and each call blinds with a new factor (the same input never goes in the same
// way twice).
TEST(RsaBlinding, UnblindedResultsMatchOpensslAndTheFactorChanges) {
    for (const unsigned bits : {1024u, 2048u}) {
        SCOPED_TRACE(bits);
        EVP_PKEY* pkey = EVP_RSA_gen(bits);
        ASSERT_NE(pkey, nullptr);
        BIGNUM *n = nullptr, *e = nullptr, *d = nullptr;
        ASSERT_EQ(EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_N, &n), 1);
        ASSERT_EQ(EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_E, &e), 1);
        ASSERT_EQ(EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_D, &d), 1);
        const Mpi modulus = Mpi::FromBytes(test::BigNumBytes(n));
        const Mpi exponent = Mpi::FromBytes(test::BigNumBytes(e));
        const Mpi secret = Mpi::FromBytes(test::BigNumBytes(d), MpiKind::kSecret);
        MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
        const MpiMontgomery form = MpiMontgomery::Make(modulus, scratch);
        ASSERT_FALSE(form.empty());
        RsaBlinding blinding;
        ASSERT_TRUE(blinding.Start(modulus, exponent, form));
        ASSERT_TRUE(blinding.started());

        BN_CTX* ctx = BN_CTX_new();
        BIGNUM* x = BN_new();
        BIGNUM* expected = BN_new();
        Bytes previousBlinded, previousUnblinder;
        for (int round = 0; round < 8; ++round) {
            ASSERT_EQ(BN_rand_range(x, n), 1);
            ASSERT_EQ(BN_mod_exp(expected, x, d, n, ctx), 1);
            const Mpi input = Mpi::FromBytes(test::BigNumBytes(x), MpiKind::kSecret);
            // The same input twice in a row: only the factor differs.
            for (int repeat = 0; repeat < 2; ++repeat) {
                Mpi blinded = Mpi::Make(MpiKind::kSecret, bits);
                Mpi unblinder = Mpi::Make(MpiKind::kSecret, bits);
                Mpi result = Mpi::Make(MpiKind::kSecret, bits);
                ASSERT_TRUE(blinding.Blind(blinded, unblinder, input, modulus, form, scratch));
                EXPECT_NE(BytesOf(blinded), previousBlinded);
                EXPECT_NE(BytesOf(unblinder), previousUnblinder);
                previousBlinded = BytesOf(blinded);
                previousUnblinder = BytesOf(unblinder);
                ASSERT_TRUE(MpiPowm(result, blinded, secret, modulus, scratch));
                ASSERT_TRUE(RsaBlinding::Unblind(result, result, unblinder, form, scratch));
                EXPECT_EQ(BytesOf(result), test::BigNumBytes(expected));
            }
        }
        BN_free(expected);
        BN_free(x);
        BN_CTX_free(ctx);
        BN_free(n);
        BN_free(e);
        BN_clear_free(d);
        EVP_PKEY_free(pkey);
    }
}

}  // namespace
}  // namespace quillon::bignum
