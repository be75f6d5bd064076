// No secret is left in memory that the module or libcrypto frees: every block made and freed
// during the operations is recorded, and the operation's secrets are looked for in the record
// (the Diffie-Hellman private value and shared secret, the plain bytes of the raw RSA envelope,
// the RSA private components).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/openssl_allocation_hook.h"
#include "common/openssl_rsa.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/status_printer.h"
#include "common/temporary_directory.h"
#include "quillon.h"
#include "toolkit/toolkit.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace toolkit;

const bool hooked = test::InstallOpensslAllocationHook();

// Two random objects seeded alike draw alike: one tells the test the private value the other
// gives the key-agreement object.
AlgObject* FixedRandom(std::uint8_t seedByte) {
    AlgObject* object = nullptr;
    const std::uint8_t seed[20] = {seedByte, 0x17, 0xC3};
    EXPECT_EQ(AlgCreate(&object), kOk);
    EXPECT_EQ(AlgSetInfo(object, InfoRandomFips186, nullptr), kOk);
    EXPECT_EQ(AlgRandomInit(object, DefaultChooser, nullptr), kOk);
    EXPECT_EQ(AlgRandomUpdate(object, seed, sizeof seed, nullptr), kOk);
    return object;
}

AlgObject* KeyAgreement(const DhKeyAgreeParams* group) {
    AlgObject* object = nullptr;
    EXPECT_EQ(AlgCreate(&object), kOk);
    EXPECT_EQ(AlgSetInfo(object, InfoDhKeyAgree, group), kOk);
    EXPECT_EQ(AlgDigestInit(object, nullptr, DefaultChooser, nullptr), kOk);
    return object;
}

TEST(FreedSecrets, DiffieHellmanPrivateValueAndSharedSecret) {
    ASSERT_TRUE(hooked);
    int agreements = 0;
    for (const std::uint32_t number : {1u, 2u, 5u}) {
        const DhKeyAgreeParams* group = nullptr;
        ASSERT_EQ(DhGetGroup(&group, number), 0);
        const std::uint32_t length = group->primeLength;
        for (std::uint8_t round = 0; round < 12; ++round, ++agreements) {
            SCOPED_TRACE("group " + std::to_string(number) + " round " + std::to_string(round));
            Bytes privateValue(32), peer(length), own(length), secret(length);
            AlgObject* oracle = FixedRandom(round);
            ASSERT_EQ(AlgGenerateRandomBytes(oracle, privateValue.data(), 32, nullptr), kOk);
            (void)AlgDestroy(&oracle);
            std::uint32_t written = 0;
            {
                const test::FreedBlockRecorder recorder;
                AlgObject* random = FixedRandom(round);
                AlgObject* peerRandom = FixedRandom(static_cast<std::uint8_t>(round + 100));
                AlgObject* object = KeyAgreement(group);
                AlgObject* other = KeyAgreement(group);
                ASSERT_EQ(AlgKeyAgreePhase1(object, own.data(), &written, length, random, nullptr),
                          kOk);
                ASSERT_EQ(
                    AlgKeyAgreePhase1(other, peer.data(), &written, length, peerRandom, nullptr),
                    kOk);
                ASSERT_EQ(AlgKeyAgreePhase2(object, secret.data(), &written, length, peer.data(),
                                            length, nullptr),
                          kOk);
                for (AlgObject** made : {&random, &peerRandom, &object, &other}) {
                    (void)AlgDestroy(made);
                }
                EXPECT_GT(recorder.blocks(), 0u);
                EXPECT_FALSE(recorder.Holds(privateValue));
                EXPECT_FALSE(recorder.Holds(secret));
            }
            // The same through the exports, the shared secret released as callers release it.
            const test::FreedBlockRecorder recorder;
            Item *first = nullptr, *second = nullptr, *shared = nullptr;
            DhKeyPair *a = nullptr, *b = nullptr;
            ASSERT_EQ(DhGenerateKeyPair(&first, &a, group), 0);
            ASSERT_EQ(DhGenerateKeyPair(&second, &b, group), 0);
            ASSERT_EQ(DhComputeSecret(&shared, a, second, group), 0);
            const Bytes exported(shared->data, shared->data + shared->length);
            DhFreeBuffer(&shared);
            DhFreeBuffer(&first);
            DhFreeBuffer(&second);
            DhDestroyKeyPair(&a);
            DhDestroyKeyPair(&b);
            EXPECT_FALSE(recorder.Holds(exported));
        }
    }
    EXPECT_EQ(agreements, 36);
}

TEST(FreedSecrets, RsaPrivateComponents) {
    ASSERT_TRUE(hooked);
    for (const int bits : {1024, 2048}) {
        SCOPED_TRACE(bits);
        const test::OpensslRsaKey& key = test::OpensslKey(bits);
        const BIGNUM *d = nullptr, *p = nullptr, *q = nullptr, *dp = nullptr, *dq = nullptr,
                     *qinv = nullptr;
        RSA_get0_key(key.rsa, nullptr, nullptr, &d);
        RSA_get0_factors(key.rsa, &p, &q);
        RSA_get0_crt_params(key.rsa, &dp, &dq, &qinv);
        const test::FreedBlockRecorder recorder;
        KeyHandle* handle = nullptr;
        ASSERT_EQ(RsaCreatePrivateKey(&handle, key.pkcs8.data(),
                                      static_cast<std::uint32_t>(key.pkcs8.size())),
                  0);
        for (int round = 0; round < 3; ++round) {
            Bytes block(20, static_cast<std::uint8_t>(round)), out(key.size());
            std::uint32_t capacity = key.size();
            ASSERT_EQ(RsaEncrypt(handle, block.data(), 20, out.data(), &capacity), 0);
        }
        RsaDestroyKey(&handle);
        EXPECT_GT(recorder.blocks(), 0u);
        for (const BIGNUM* component : {d, p, q, dp, dq, qinv}) {
            EXPECT_FALSE(recorder.Holds(test::BigNumBytes(component)));
        }
    }
}

// One PKCS #1 operation on a fresh toolkit object; the bytes it gives.
Bytes RunPkcs(InfoType kind, bool encrypt, KeyObject* key, const Bytes& in, AlgObject* random) {
    AlgObject* alg = nullptr;
    Bytes out(512);
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    const auto length = static_cast<std::uint32_t>(in.size());
    const auto capacity = static_cast<std::uint32_t>(out.size());
    Status status = AlgCreate(&alg);
    if (status == kOk) status = AlgSetInfo(alg, kind, nullptr);
    if (encrypt) {
        if (status == kOk) status = AlgEncryptInit(alg, key, DefaultChooser, nullptr);
        if (status == kOk) {
            status = AlgEncryptUpdate(alg, out.data(), &first, capacity, in.data(), length, random,
                                      nullptr);
        }
        if (status == kOk) {
            status = AlgEncryptFinal(alg, out.data() + first, &second, capacity - first, random,
                                     nullptr);
        }
    } else {
        if (status == kOk) status = AlgDecryptInit(alg, key, DefaultChooser, nullptr);
        if (status == kOk) {
            status = AlgDecryptUpdate(alg, out.data(), &first, capacity, in.data(), length, random,
                                      nullptr);
        }
        if (status == kOk) {
            status = AlgDecryptFinal(alg, out.data() + first, &second, capacity - first, random,
                                     nullptr);
        }
    }
    (void)AlgDestroy(&alg);
    out.resize(status == kOk ? first + second : 0);
    return out;
}

// The message of an RSA encryption passes through the public-exponent arithmetic as a secret:
// when the public key seals it, and when the private key's result is checked on the way out.
TEST(FreedSecrets, RsaEncryptedMessage) {
    ASSERT_TRUE(hooked);
    std::mt19937 random(2718);
    for (const int bits : {1024, 2048}) {
        SCOPED_TRACE(bits);
        const test::OpensslRsaKey& key = test::OpensslKey(bits);
        KeyObject* priv = nullptr;
        KeyObject* pub = nullptr;
        ASSERT_EQ(KeyCreate(&priv), kOk);
        ASSERT_EQ(KeyCreate(&pub), kOk);
        Item pkcs8{const_cast<std::uint8_t*>(key.pkcs8.data()),
                   static_cast<std::uint32_t>(key.pkcs8.size())};
        Item spki{const_cast<std::uint8_t*>(key.spki.data()),
                  static_cast<std::uint32_t>(key.spki.size())};
        ASSERT_EQ(KeySetInfo(priv, KeyInfoRsaPrivateBer, &pkcs8), kOk);
        ASSERT_EQ(KeySetInfo(pub, KeyInfoRsaPublicBer, &spki), kOk);
        for (std::uint8_t round = 0; round < 3; ++round) {
            Bytes message(40);
            for (auto& byte : message) byte = static_cast<std::uint8_t>(random());
            Bytes theirs(key.size());
            ASSERT_EQ(
                RSA_public_encrypt(40, message.data(), theirs.data(), key.rsa, RSA_PKCS1_PADDING),
                static_cast<int>(key.size()));
            const test::FreedBlockRecorder recorder;
            AlgObject* seeded = FixedRandom(round);
            const Bytes sealed = RunPkcs(InfoRsaPkcsPublic, true, pub, message, seeded);
            (void)AlgDestroy(&seeded);
            EXPECT_EQ(sealed.size(), key.size());
            EXPECT_EQ(RunPkcs(InfoRsaPkcsPrivate, false, priv, theirs, nullptr), message);
            EXPECT_GT(recorder.blocks(), 0u);
            EXPECT_FALSE(recorder.Holds(message));
        }
        (void)KeyDestroy(&priv);
        (void)KeyDestroy(&pub);
    }
}

TEST(FreedSecrets, RawRsaPlainBytes) {
    ASSERT_TRUE(hooked);
    const test::RawRsaTestKey key(1024, 65537, "SCANKEY1");
    const test::TemporaryDirectory dir;
    const std::string path = dir.Write("key.txt", key.FileText());
    std::mt19937 random(1313);
    for (int round = 0; round < 8; ++round) {
        Bytes plain(40);
        for (auto& byte : plain) byte = static_cast<std::uint8_t>(random());
        Bytes buffer(10 + key.ModulusBytes());
        std::memcpy(buffer.data(), plain.data(), plain.size());
        const test::FreedBlockRecorder recorder;
        const std::int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), 40);
        ASSERT_GT(wrapped, 10);
        ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), static_cast<std::uint32_t>(wrapped)),
                  40);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 40), plain);
        EXPECT_GT(recorder.blocks(), 0u);
        EXPECT_FALSE(recorder.Holds(plain));
        for (const char letter : {'d', 'p', 'q', 'u'}) {
            EXPECT_FALSE(recorder.Holds(test::BigNumBytes(key.Component(letter)))) << letter;
        }
    }
}

}  // namespace
}  // namespace quillon
