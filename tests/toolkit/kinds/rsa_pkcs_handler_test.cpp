// The PKCS #1 v1.5 kinds (InfoRsaPkcsPublic, InfoRsaPkcsPrivate) over raw RSA: against OpenSSL
// both ways for each block type, and their status rules, padding, modulus sizes and out-of-memory
// paths.
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_rsa.h"
#include "common/random_bytes.h"
#include "common/status_printer.h"
#include "common/toolkit_rsa.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::Key;
using quillon::test::OpensslKey;
using quillon::test::OpensslRsaKey;
using quillon::test::Outcome;
using quillon::test::RandomBytes;
using quillon::test::RunPkcs;
using quillon::test::SeededRandom;
using quillon::test::SetBer;
using quillon::test::SetPublic;

// ---- PKCS #1 v1.5 against OpenSSL -----------------------------------------------------------

// A block of the key's size, 0x00 and the block type followed by fill bytes, edited by edit, then
// run raw (no padding) through OpenSSL the way a peer would send it: type 1 with the private key,
// type 2 with the public key. The other side's raw operation gives exactly that block back.
template <class Edit>
Bytes RawBlock(const OpensslRsaKey& ossl, std::uint8_t type, std::uint8_t fill, Edit edit) {
    const int k = static_cast<int>(ossl.size());
    Bytes block(ossl.size(), fill);
    block[0] = 0x00;
    block[1] = type;
    edit(block);
    Bytes raw(ossl.size());
    const int made =
        type == 1 ? RSA_private_encrypt(k, block.data(), raw.data(), ossl.rsa, RSA_NO_PADDING)
                  : RSA_public_encrypt(k, block.data(), raw.data(), ossl.rsa, RSA_NO_PADDING);
    EXPECT_EQ(made, k);
    return raw;
}

class RsaPkcs : public ::testing::TestWithParam<int> {};

TEST_P(RsaPkcs, AgreesWithOpenssl) {
    const OpensslRsaKey& ossl = OpensslKey(GetParam());
    const std::uint32_t k = ossl.size();
    Key priv;
    Key pub;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    std::mt19937 rng(static_cast<unsigned>(k));
    const std::size_t lengths[] = {0, 1, 16, 20, k / 2, k - 12, k - 11};
    for (const std::size_t length : lengths) {
        const Bytes message = RandomBytes(rng, length);
        Bytes oracle(k);

        // Our type-1 block verifies with OpenSSL's public key.
        const Outcome signature = RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr);
        ASSERT_EQ(signature.status, kOk) << length;
        ASSERT_EQ(signature.out.size(), k);
        int n = RSA_public_decrypt(static_cast<int>(k), signature.out.data(), oracle.data(),
                                   ossl.rsa, RSA_PKCS1_PADDING);
        ASSERT_EQ(n, static_cast<int>(length));
        EXPECT_EQ(Bytes(oracle.begin(), oracle.begin() + n), message);

        // OpenSSL's type-1 block recovered with the public key (and with a private key's
        // public half).
        Bytes theirs(k);
        ASSERT_EQ(RSA_private_encrypt(static_cast<int>(length), message.data(), theirs.data(),
                                      ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(k));
        EXPECT_EQ(theirs, signature.out) << "type 1 is deterministic";
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, false, pub, theirs, nullptr).out, message);
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, false, priv, theirs, nullptr).out, message);

        // Our type-2 block decrypted by OpenSSL, and OpenSSL's by our private key.
        const Outcome sealed = RunPkcs(InfoRsaPkcsPublic, true, pub, message, random.alg);
        ASSERT_EQ(sealed.status, kOk);
        n = RSA_private_decrypt(static_cast<int>(k), sealed.out.data(), oracle.data(), ossl.rsa,
                                RSA_PKCS1_PADDING);
        ASSERT_EQ(n, static_cast<int>(length));
        EXPECT_EQ(Bytes(oracle.begin(), oracle.begin() + n), message);
        ASSERT_EQ(RSA_public_encrypt(static_cast<int>(length), message.data(), theirs.data(),
                                     ossl.rsa, RSA_PKCS1_PADDING),
                  static_cast<int>(k));
        EXPECT_EQ(RunPkcs(InfoRsaPkcsPrivate, false, priv, theirs, nullptr).out, message);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RsaPkcs, ::testing::Values(512, 1024, 2048));

TEST(RsaPkcsRules, StatusTable) {
    const OpensslRsaKey& ossl = OpensslKey(1024);
    const std::uint32_t k = ossl.size();
    Key priv;
    Key pub;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    const Bytes typeTwo = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(16, 'a'), random.alg).out;
    const Bytes typeOne = RunPkcs(InfoRsaPkcsPrivate, true, priv, Bytes(16, 'a'), nullptr).out;
    Bytes aboveModulus(k, 0xFF);
    // A raw block that is not PKCS #1 at all: 0x00 0x01 followed by no separator.
    const Bytes rawNoSeparator = RawBlock(ossl, 1, 0xFF, [](Bytes&) {});
    // Seven 0xFF bytes only: the padding must be at least eight.
    const Bytes rawShortPadding = RawBlock(ossl, 1, 'x', [](Bytes& block) {
        std::memset(block.data() + 2, 0xFF, 7);
        block[9] = 0x00;
    });
    // Type 1 with one padding byte that is not 0xFF.
    const Bytes rawBadFf = RawBlock(ossl, 1, 'x', [](Bytes& block) {
        std::memset(block.data() + 2, 0xFF, 20);
        block[12] = 0xFE;
        block[22] = 0x00;
    });
    // Type 2 with non-zero bytes to the end: no separator.
    const Bytes rawTypeTwoNoSeparator = RawBlock(ossl, 2, 0x5A, [](Bytes&) {});

    struct Case {
        const char* name;
        InfoType kind;
        bool encrypt;
        KeyObject* key;
        Bytes in;
        std::uint32_t capacity;
        Status expected;
    } cases[] = {
        {"private kind, public-only key", InfoRsaPkcsPrivate, true, pub, Bytes(1), 1024,
         kKeyFormUnavailable},
        {"public kind, private key", InfoRsaPkcsPublic, true, priv, Bytes(1), 1024, kOk},
        {"k - 11 bytes", InfoRsaPkcsPrivate, true, priv, Bytes(k - 11), 1024, kOk},
        {"k - 10 bytes", InfoRsaPkcsPrivate, true, priv, Bytes(k - 10), 1024, kLengthOutOfRange},
        {"encrypt output one short", InfoRsaPkcsPrivate, true, priv, Bytes(1), k - 1,
         kOutputTooSmall},
        {"decrypt k - 1 bytes", InfoRsaPkcsPublic, false, pub, Bytes(k - 1), 1024,
         kLengthOutOfRange},
        {"decrypt k + 1 bytes", InfoRsaPkcsPublic, false, pub, Bytes(k + 1), 1024,
         kLengthOutOfRange},
        {"type 2 block, public decrypt", InfoRsaPkcsPublic, false, pub, typeTwo, 1024,
         kDataMalformed},
        {"type 1 block, private decrypt", InfoRsaPkcsPrivate, false, priv, typeOne, 1024,
         kDataMalformed},
        {"input above modulus", InfoRsaPkcsPublic, false, pub, aboveModulus, 1024, kDataMalformed},
        {"input above modulus, private", InfoRsaPkcsPrivate, false, priv, aboveModulus, 1024,
         kDataMalformed},
        {"no separator", InfoRsaPkcsPublic, false, pub, rawNoSeparator, 1024, kDataMalformed},
        {"seven padding bytes", InfoRsaPkcsPublic, false, pub, rawShortPadding, 1024,
         kDataMalformed},
        {"type 1 padding byte not FF", InfoRsaPkcsPublic, false, pub, rawBadFf, 1024,
         kDataMalformed},
        {"type 2 without separator", InfoRsaPkcsPrivate, false, priv, rawTypeTwoNoSeparator, 1024,
         kDataMalformed},
        {"decrypt output one short", InfoRsaPkcsPublic, false, pub, typeOne, 15, kOutputTooSmall},
        {"decrypt output exact", InfoRsaPkcsPublic, false, pub, typeOne, 16, kOk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunPkcs(c.kind, c.encrypt, c.key, c.in, random.alg, c.capacity).status,
                  c.expected)
            << c.name;
    }
}

TEST(RsaPkcsRules, PaddingIsFreshAndNonZero) {
    const OpensslRsaKey& ossl = OpensslKey(512);
    Key pub;
    ASSERT_EQ(SetPublic(pub, ossl.modulus, ossl.exponent), kOk);
    SeededRandom random;
    const Bytes first = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), random.alg).out;
    const Bytes second = RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), random.alg).out;
    ASSERT_EQ(first.size(), ossl.size());
    EXPECT_NE(first, second);
    Bytes block(ossl.size());
    ASSERT_EQ(RSA_private_decrypt(static_cast<int>(block.size()), first.data(), block.data(),
                                  ossl.rsa, RSA_NO_PADDING),
              static_cast<int>(block.size()));
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 2);
    for (std::size_t i = 2; i < block.size() - 4; ++i) EXPECT_NE(block[i], 0) << i;
    EXPECT_EQ(block[block.size() - 4], 0);
    // Type 2 needs a random object.
    EXPECT_EQ(RunPkcs(InfoRsaPkcsPublic, true, pub, Bytes(3, 1), nullptr).status, kBadRandomObject);
}

TEST(RsaPkcsRules, ModulusSizes) {
    // 88 bits (11 bytes) is below what PKCS #1 formatting can hold; 4104 bits is above the
    // methods' limit.
    const Bytes small(11, 0xC5);
    Bytes large(513, 0xC5);
    const Bytes e = {0x01, 0x00, 0x01};
    Key smallKey;
    Key largeKey;
    ASSERT_EQ(SetPublic(smallKey, small, e), kOk);
    ASSERT_EQ(SetPublic(largeKey, large, e), kOk);
    Alg a;
    ASSERT_EQ(AlgSetInfo(a, InfoRsaPkcsPublic, nullptr), kOk);
    EXPECT_EQ(AlgEncryptInit(a, smallKey, DefaultChooser, nullptr), kNotSupported);
    Alg b;
    ASSERT_EQ(AlgSetInfo(b, InfoRsaPkcsPublic, nullptr), kOk);
    EXPECT_EQ(AlgDecryptInit(b, largeKey, DefaultChooser, nullptr), kModulusLength);
    Alg c;
    ASSERT_EQ(AlgSetInfo(c, InfoRsaPkcsPublic, nullptr), kOk);
    Key empty;
    EXPECT_EQ(AlgEncryptInit(c, empty, DefaultChooser, nullptr), kKeyEmpty);
    std::uint32_t produced = 0;
    std::uint8_t out[8];
    EXPECT_EQ(AlgEncryptUpdate(c, out, &produced, 8, out, 1, nullptr, nullptr), kNotInitialized);
}

TEST(RsaPkcsRules, ObjectOutlivesNothingOfTheKey) {
    // The object copies the key's numbers at init: destroying the key before the final is safe.
    const OpensslRsaKey& ossl = OpensslKey(1024);
    KeyObject* key = nullptr;
    ASSERT_EQ(KeyCreate(&key), kOk);
    ASSERT_EQ(SetBer(key, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoRsaPkcsPrivate, nullptr), kOk);
    ASSERT_EQ(AlgEncryptInit(alg, key, DefaultChooser, nullptr), kOk);
    (void)KeyDestroy(&key);
    Bytes out(ossl.size());
    std::uint32_t produced = 0;
    const std::uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_EQ(AlgEncryptUpdate(alg, out.data(), &produced, 0, data, 4, nullptr, nullptr), kOk);
    EXPECT_EQ(produced, 0u);
    ASSERT_EQ(AlgEncryptFinal(alg, out.data(), &produced, ossl.size(), nullptr, nullptr), kOk);
    EXPECT_EQ(produced, ossl.size());
}

TEST(RsaPkcsRules, OutOfMemoryDuringAnOperation) {
    const OpensslRsaKey& ossl = OpensslKey(512);
    Key priv;
    ASSERT_EQ(SetBer(priv, KeyInfoRsaPrivateBer, ossl.pkcs8), kOk);
    const Bytes message(5, 9);
    const Bytes signature = RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr).out;
    ASSERT_EQ(signature.size(), ossl.size());
    // The key builds its public half once, on first demand; after that each run allocates alike.
    ASSERT_EQ(RunPkcs(InfoRsaPkcsPublic, false, priv, signature, nullptr).out, message);
    // Signing with the private key, and recovering the signature with its public half.
    for (const bool privateSide : {true, false}) {
        std::vector<Outcome> results;
        const int count = quillon::test::ForEachAllocationFailure([&](int) {
            results.push_back(privateSide
                                  ? RunPkcs(InfoRsaPkcsPrivate, true, priv, message, nullptr)
                                  : RunPkcs(InfoRsaPkcsPublic, false, priv, signature, nullptr));
        });
        ASSERT_EQ(results.size(), static_cast<std::size_t>(count) + 1);
        for (int n = 0; n < count; ++n) {
            EXPECT_EQ(results[n].status, kOutOfMemory) << privateSide << " " << n + 1;
        }
        EXPECT_EQ(results.back().status, kOk);
        EXPECT_EQ(results.back().out, privateSide ? signature : message);
    }
}

}  // namespace
