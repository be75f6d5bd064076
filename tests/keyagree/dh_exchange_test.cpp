#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstring>
#include <vector>

#include "common/allocation_failure.h"
#include "quillon.h"
#include "toolkit/status.h"

namespace {

const DhKeyAgreeParams* Group(uint32_t number) {
    const DhKeyAgreeParams* params = nullptr;
    EXPECT_EQ(DhGetGroup(&params, number), 0);
    return params;
}

struct Party {
    Item* publicValue = nullptr;
    DhKeyPair* pair = nullptr;
    ~Party() {
        DhFreeBuffer(&publicValue);
        DhDestroyKeyPair(&pair);
    }
};

TEST(DhExchange, TwoPartiesAgreeWithPrimeLengthValues) {
    for (const uint32_t number : {1u, 2u, 5u}) {
        SCOPED_TRACE(number);
        const DhKeyAgreeParams* params = Group(number);
        ASSERT_NE(params, nullptr);
        Party alice, bob;
        ASSERT_EQ(DhGenerateKeyPair(&alice.publicValue, &alice.pair, params), 0);
        ASSERT_EQ(DhGenerateKeyPair(&bob.publicValue, &bob.pair, params), 0);
        EXPECT_EQ(alice.publicValue->length, params->primeLength);
        Item *aliceSecret = nullptr, *bobSecret = nullptr;
        ASSERT_EQ(DhComputeSecret(&aliceSecret, alice.pair, bob.publicValue, params), 0);
        ASSERT_EQ(DhComputeSecret(&bobSecret, bob.pair, alice.publicValue, params), 0);
        ASSERT_EQ(aliceSecret->length, params->primeLength);
        ASSERT_EQ(bobSecret->length, params->primeLength);
        EXPECT_EQ(0, std::memcmp(aliceSecret->data, bobSecret->data, aliceSecret->length));
        // The pair stays usable: the same peer gives the same secret again.
        Item* again = nullptr;
        ASSERT_EQ(DhComputeSecret(&again, alice.pair, bob.publicValue, params), 0);
        EXPECT_EQ(0, std::memcmp(again->data, aliceSecret->data, again->length));
        for (Item** secret : {&aliceSecret, &bobSecret, &again}) {
            EXPECT_EQ(DhFreeBuffer(secret), 0);
            EXPECT_EQ(*secret, nullptr);
        }
    }
}

// OpenSSL's BN arithmetic plays the other party in both directions.
TEST(DhExchange, AgreesWithOpenSsl) {
    for (const uint32_t number : {1u, 2u, 5u}) {
        SCOPED_TRACE(number);
        const DhKeyAgreeParams* params = Group(number);
        Party ours;
        ASSERT_EQ(DhGenerateKeyPair(&ours.publicValue, &ours.pair, params), 0);

        BN_CTX* context = BN_CTX_new();
        BIGNUM* p = BN_bin2bn(params->prime, static_cast<int>(params->primeLength), nullptr);
        BIGNUM* g = BN_new();
        BN_set_word(g, 2);
        BIGNUM* x = BN_new();
        BN_rand(x, 256, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY);
        BIGNUM* y = BN_new();
        BN_mod_exp(y, g, x, p, context);
        std::vector<uint8_t> theirPublic(params->primeLength);
        BN_bn2binpad(y, theirPublic.data(), static_cast<int>(theirPublic.size()));

        BIGNUM* ourY =
            BN_bin2bn(ours.publicValue->data, static_cast<int>(ours.publicValue->length), nullptr);
        BIGNUM* z = BN_new();
        BN_mod_exp(z, ourY, x, p, context);
        std::vector<uint8_t> theirSecret(params->primeLength);
        BN_bn2binpad(z, theirSecret.data(), static_cast<int>(theirSecret.size()));

        const Item peer{theirPublic.data(), static_cast<uint32_t>(theirPublic.size())};
        Item* ourSecret = nullptr;
        ASSERT_EQ(DhComputeSecret(&ourSecret, ours.pair, &peer, params), 0);
        EXPECT_EQ(std::vector<uint8_t>(ourSecret->data, ourSecret->data + ourSecret->length),
                  theirSecret);
        DhFreeBuffer(&ourSecret);
        for (BIGNUM* number : {p, g, x, y, ourY, z}) BN_free(number);
        BN_CTX_free(context);
    }
}

TEST(DhExchange, PeerValuesOutsideTheGroupAreRefused) {
    const DhKeyAgreeParams* params = Group(2);
    Party ours;
    ASSERT_EQ(DhGenerateKeyPair(&ours.publicValue, &ours.pair, params), 0);
    std::vector<uint8_t> p(params->prime, params->prime + params->primeLength);
    std::vector<uint8_t> pMinus1 = p;
    pMinus1.back() -= 1;  // the MODP primes end in 0xFF
    const std::vector<uint8_t> zero(1, 0), one(1, 1), paddedOne(128, 0);
    std::vector<uint8_t> onePadded = paddedOne;
    onePadded.back() = 1;
    const std::vector<const std::vector<uint8_t>*> badValues = {&zero, &one, &onePadded, &pMinus1,
                                                                &p};
    for (const auto* bad : badValues) {
        const Item peer{const_cast<uint8_t*>(bad->data()), static_cast<uint32_t>(bad->size())};
        Item* secret = reinterpret_cast<Item*>(0x1);
        EXPECT_EQ(DhComputeSecret(&secret, ours.pair, &peer, params),
                  static_cast<int32_t>(quillon::toolkit::kDataMalformed));
        EXPECT_EQ(secret, reinterpret_cast<Item*>(0x1));
    }
    std::vector<uint8_t> two(1, 2);
    const Item peer{two.data(), 1};
    Item* secret = nullptr;
    EXPECT_EQ(DhComputeSecret(&secret, ours.pair, &peer, params), 0);
    DhFreeBuffer(&secret);
}

TEST(DhExchange, NullArgumentsAndEmptyHandles) {
    Item* value = reinterpret_cast<Item*>(0x1);
    DhKeyPair* pair = reinterpret_cast<DhKeyPair*>(0x1);
    EXPECT_EQ(DhGenerateKeyPair(&value, &pair, nullptr), -1);
    EXPECT_EQ(value, reinterpret_cast<Item*>(0x1));
    EXPECT_EQ(pair, reinterpret_cast<DhKeyPair*>(0x1));
    const Item peer{nullptr, 0};
    EXPECT_EQ(DhComputeSecret(&value, nullptr, &peer, Group(1)), -1);
    DhKeyPair* empty = nullptr;
    EXPECT_EQ(DhDestroyKeyPair(&empty), 0);
    EXPECT_EQ(DhDestroyKeyPair(nullptr), 0);
    Item* none = nullptr;
    EXPECT_EQ(DhFreeBuffer(&none), 0);
}

TEST(DhExchange, OutOfMemoryReleasesEverything) {
    const DhKeyAgreeParams* params = Group(1);
    quillon::test::ForEachAllocationFailure([&](int failing) {
        // Whatever the caller's variables held, a failure leaves them null.
        Item* value = reinterpret_cast<Item*>(0x1);
        DhKeyPair* pair = reinterpret_cast<DhKeyPair*>(0x1);
        const int32_t status = DhGenerateKeyPair(&value, &pair, params);
        if (status != 0) {
            EXPECT_EQ(value, nullptr) << failing;
            EXPECT_EQ(pair, nullptr) << failing;
            return;
        }
        Item* secret = nullptr;
        const int32_t computed = DhComputeSecret(&secret, pair, value, params);
        if (computed == 0) DhFreeBuffer(&secret);
        DhFreeBuffer(&value);
        DhDestroyKeyPair(&pair);
    });
}

}  // namespace
