#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>

#include "cipher/des_self_test.h"
#include "common/random_bytes.h"
#include "common/vector_file.h"
#include "quillon.h"

namespace {

using quillon::test::Bytes;
using quillon::test::RandomBytes;
using quillon::test::ToHex;

using CbcCrypt = void (*)(int32_t, uint8_t*, int32_t, const uint8_t*, uint8_t*, uint32_t*);

struct Cipher {
    const char* name;
    CbcCrypt crypt;
    size_t keyBytes;
} const kCiphers[] = {{"DES", DesCbcCrypt, 8}, {"3DES", TripleDesCbcCrypt, 24}};

// Text, where a record gives it, is its plaintext's ASCII reading.
void ExpectTextIsThePlaintext(const quillon::test::VectorRecord& record) {
    if (record.Has("Text")) {
        EXPECT_EQ(record.Get("Text"), record.Get("Plaintext"));
    }
}

// In place, the IV left as the last ciphertext block in both directions.
TEST(DesExports, CbcVectors) {
    for (const quillon::test::VectorRecord& record :
         quillon::test::RecordsInSection(quillon::test::ReadVectorRecords("des.txt"), "DES-CBC")) {
        SCOPED_TRACE(record.Where());
        ExpectTextIsThePlaintext(record);
        const Bytes key = record.Get("Key");
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        ASSERT_EQ(key.size(), 8u);
        ASSERT_GE(ciphertext.size(), 8u);
        const std::string lastBlock = ToHex(ciphertext.data() + ciphertext.size() - 8, 8);
        const auto length = static_cast<int32_t>(plaintext.size());

        Bytes data = plaintext, iv = record.Get("IV");
        uint32_t ivSize = 16;
        DesCbcCrypt(1, data.data(), length, key.data(), iv.data(), &ivSize);
        EXPECT_EQ(ToHex(data), ToHex(ciphertext));
        EXPECT_EQ(ToHex(iv), lastBlock);
        EXPECT_EQ(ivSize, 8u);

        iv = record.Get("IV");
        DesCbcCrypt(0, data.data(), length, key.data(), iv.data(), &ivSize);
        EXPECT_EQ(data, plaintext);
        EXPECT_EQ(ToHex(iv), lastBlock);
        EXPECT_EQ(ivSize, 8u);
    }
}

// Block by block in ECB fashion: each is one CBC block under a zero IV.
TEST(DesExports, TripleDesEcbVectors) {
    for (const quillon::test::VectorRecord& record :
         quillon::test::RecordsInSection(quillon::test::ReadVectorRecords("des.txt"), "TDEA-ECB")) {
        SCOPED_TRACE(record.Where());
        ExpectTextIsThePlaintext(record);
        const Bytes key = record.Get("Key");
        ASSERT_EQ(key.size(), 24u);
        if (record.Has("Key1")) {
            Bytes bundle;
            for (const char* part : {"Key1", "Key2", "Key3"}) {
                const Bytes single = record.Get(part);
                bundle.insert(bundle.end(), single.begin(), single.end());
            }
            EXPECT_EQ(ToHex(bundle), ToHex(key));
        }
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        ASSERT_EQ(plaintext.size() % 8, 0u);
        ASSERT_EQ(ciphertext.size(), plaintext.size());
        for (size_t at = 0; at < plaintext.size(); at += 8) {
            SCOPED_TRACE(at / 8);
            Bytes data(plaintext.data() + at, plaintext.data() + at + 8);
            uint8_t iv[8] = {};
            uint32_t ivSize = 8;
            TripleDesCbcCrypt(1, data.data(), 8, key.data(), iv, &ivSize);
            EXPECT_EQ(ToHex(data), ToHex(ciphertext.data() + at, 8));
            EXPECT_EQ(0, std::memcmp(iv, data.data(), 8));
        }
    }
}

TEST(DesExports, TripleDesWithOneKeyRepeatedIsDes) {
    std::mt19937 random(81);
    for (int trial = 0; trial < 8; ++trial) {
        const Bytes key = RandomBytes(random, 8), iv = RandomBytes(random, 8);
        Bytes tripleKey;
        for (int i = 0; i < 3; ++i) tripleKey.insert(tripleKey.end(), key.begin(), key.end());
        const int32_t direction = trial % 2;
        Bytes single = RandomBytes(random, 40), triple = single;
        Bytes singleIv = iv, tripleIv = iv;
        uint32_t ivSize = 8;
        DesCbcCrypt(direction, single.data(), 40, key.data(), singleIv.data(), &ivSize);
        TripleDesCbcCrypt(direction, triple.data(), 40, tripleKey.data(), tripleIv.data(), &ivSize);
        EXPECT_EQ(single, triple);
        EXPECT_EQ(singleIv, tripleIv);
    }
}

// 13 bytes: encryption writes two whole blocks, decryption reads two and writes 13.
TEST(DesExports, PartialLastBlock) {
    std::mt19937 random(13);
    for (const Cipher& cipher : kCiphers) {
        SCOPED_TRACE(cipher.name);
        const Bytes key = RandomBytes(random, cipher.keyBytes);
        const Bytes iv = RandomBytes(random, 8);
        const Bytes plaintext = RandomBytes(random, 13);

        Bytes buffer(24, 0xEE);
        std::copy(plaintext.begin(), plaintext.end(), buffer.begin());
        Bytes chain = iv;
        uint32_t ivSize = 8;
        cipher.crypt(1, buffer.data(), 13, key.data(), chain.data(), &ivSize);
        EXPECT_NE(buffer[13], 0xEE);
        EXPECT_NE(buffer[15], 0xEE);
        EXPECT_EQ(buffer[16], 0xEE);
        EXPECT_EQ(0, std::memcmp(chain.data(), buffer.data() + 8, 8));

        // The same as encrypting the zero-padded 16 bytes.
        Bytes padded(16, 0);
        std::copy(plaintext.begin(), plaintext.end(), padded.begin());
        Bytes paddedChain = iv;
        cipher.crypt(1, padded.data(), 16, key.data(), paddedChain.data(), &ivSize);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 16), padded);

        const Bytes ciphertext(buffer.begin(), buffer.begin() + 16);
        Bytes out = ciphertext;
        out.push_back(0xEE);
        chain = iv;
        cipher.crypt(0, out.data(), 13, key.data(), chain.data(), &ivSize);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 13), plaintext);
        EXPECT_EQ(Bytes(out.begin() + 13, out.end()),
                  Bytes({ciphertext[13], ciphertext[14], ciphertext[15], 0xEE}));
        EXPECT_EQ(0, std::memcmp(chain.data(), ciphertext.data() + 8, 8));
    }
}

// A refused call reads and writes nothing: not the data, not the IV, not the IV size.
TEST(DesExports, RefusedCallsTouchNothing) {
    const uint8_t key[24] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    struct Case {
        const char* what;
        bool nullKey;
        uint32_t ivSize;
        int32_t length;
    } const cases[] = {
        {"null key", true, 8, 16},
        {"IV size 7", false, 7, 16},
        {"IV size 0", false, 0, 16},
        {"length -1", false, 8, -1},
        {"length -8", false, 8, -8},
        {"length -13", false, 8, -13},
        {"length INT32_MIN", false, 8, INT32_MIN},
    };
    for (const Cipher& cipher : kCiphers) {
        for (const Case& c : cases) {
            for (const int32_t direction : {0, 1}) {
                SCOPED_TRACE(std::string(cipher.name) + " " + c.what);
                Bytes data(32, 0x5A);
                Bytes iv(8, 0xC3);
                uint32_t ivSize = c.ivSize;
                // data + 8 so a negative length taken as a partial block would show below it.
                cipher.crypt(direction, data.data() + 8, c.length, c.nullKey ? nullptr : key,
                             iv.data(), &ivSize);
                EXPECT_EQ(data, Bytes(32, 0x5A));
                EXPECT_EQ(iv, Bytes(8, 0xC3));
                EXPECT_EQ(ivSize, c.ivSize);
            }
        }
        // Missing IV, IV size or data pointers are refused rather than dereferenced.
        uint8_t data[8] = {9}, iv[8] = {7};
        uint32_t ivSize = 8;
        cipher.crypt(1, data, 8, key, iv, nullptr);
        cipher.crypt(1, data, 8, key, nullptr, &ivSize);
        cipher.crypt(1, nullptr, 8, key, iv, &ivSize);
        EXPECT_EQ(data[0], 9);
        EXPECT_EQ(iv[0], 7);
    }
}

TEST(DesExports, LengthZeroKeepsDataAndIv) {
    const uint8_t key[24] = {0x13, 0x57};
    for (const Cipher& cipher : kCiphers) {
        for (const int32_t direction : {0, 1}) {
            uint8_t data[8] = {1, 2, 3}, iv[8] = {4, 5, 6};
            uint32_t ivSize = 64;
            cipher.crypt(direction, data, 0, key, iv, &ivSize);
            EXPECT_EQ(data[0], 1);
            EXPECT_EQ(iv[0], 4);
            EXPECT_EQ(ivSize, 8u);
            cipher.crypt(direction, nullptr, 0, key, iv, &ivSize);
            EXPECT_EQ(iv[0], 4);
        }
    }
}

TEST(DesExports, ParityBitsAndDirectionValueAreIgnored) {
    std::mt19937 random(1);
    for (const Cipher& cipher : kCiphers) {
        SCOPED_TRACE(cipher.name);
        const Bytes key = RandomBytes(random, cipher.keyBytes);
        Bytes flipped = key;
        for (auto& byte : flipped) byte ^= 0x01;
        const Bytes message = RandomBytes(random, 32);
        Bytes a = message, b = message, ivA(8, 0), ivB(8, 0);
        uint32_t ivSize = 8;
        cipher.crypt(1, a.data(), 32, key.data(), ivA.data(), &ivSize);
        cipher.crypt(-7, b.data(), 32, flipped.data(), ivB.data(), &ivSize);
        EXPECT_EQ(a, b);
        EXPECT_EQ(ivA, ivB);
        EXPECT_NE(a, message);
    }
}

// The reference for single DES is OpenSSL's DES-CBC where the legacy provider is present, else
// its three-key cipher with the key repeated (which is single DES).
class EvpOracle {
  public:
    // In a library context of its own: loading a provider by name into the default context
    // would end OpenSSL's fallback to its default provider for the later tests of the program.
    EvpOracle() {
        context_ = OSSL_LIB_CTX_new();
        defaultProvider_ = OSSL_PROVIDER_load(context_, "default");
        legacyProvider_ = OSSL_PROVIDER_load(context_, "legacy");
        des_ = EVP_CIPHER_fetch(context_, "DES-CBC", nullptr);
        tripleDes_ = EVP_CIPHER_fetch(context_, "DES-EDE3-CBC", nullptr);
    }
    ~EvpOracle() {
        EVP_CIPHER_free(des_);
        EVP_CIPHER_free(tripleDes_);
        if (legacyProvider_ != nullptr) OSSL_PROVIDER_unload(legacyProvider_);
        if (defaultProvider_ != nullptr) OSSL_PROVIDER_unload(defaultProvider_);
        OSSL_LIB_CTX_free(context_);
    }

    // CBC over whole blocks, no padding.
    Bytes Run(bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in) const {
        const EVP_CIPHER* cipher = tripleDes_;
        Bytes fullKey = key;
        if (key.size() == 8) {
            if (des_ != nullptr) {
                cipher = des_;
            } else {
                for (int i = 0; i < 2; ++i) fullKey.insert(fullKey.end(), key.begin(), key.end());
            }
        }
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        EXPECT_EQ(1, EVP_CipherInit_ex(context, cipher, nullptr, fullKey.data(), iv.data(),
                                       encrypt ? 1 : 0));
        EVP_CIPHER_CTX_set_padding(context, 0);
        Bytes out(in.size() + 8);
        int written = 0;
        EXPECT_EQ(1, EVP_CipherUpdate(context, out.data(), &written, in.data(),
                                      static_cast<int>(in.size())));
        EVP_CIPHER_CTX_free(context);
        out.resize(in.size());
        return out;
    }

  private:
    OSSL_LIB_CTX* context_ = nullptr;
    OSSL_PROVIDER* defaultProvider_ = nullptr;
    OSSL_PROVIDER* legacyProvider_ = nullptr;
    EVP_CIPHER* des_ = nullptr;
    EVP_CIPHER* tripleDes_ = nullptr;
};

// Random keys and lengths (partial last blocks included), worked in pieces that share one IV
// buffer, against OpenSSL's EVP on the zero-padded whole message.
TEST(DesExports, AgreesWithOpenSslEvp) {
    const EvpOracle oracle;
    std::mt19937 random(2024);
    for (const Cipher& cipher : kCiphers) {
        for (int trial = 0; trial < 60; ++trial) {
            SCOPED_TRACE(std::string(cipher.name) + " trial " + std::to_string(trial));
            const Bytes key = RandomBytes(random, cipher.keyBytes);
            const Bytes iv = RandomBytes(random, 8);
            const size_t length = random() % 300;
            const size_t padded = (length + 7) / 8 * 8;
            Bytes message = RandomBytes(random, length);
            message.resize(padded, 0);

            const Bytes expected = oracle.Run(true, key, iv, message);
            Bytes data = message, chain = iv;
            uint32_t ivSize = 8;
            for (size_t done = 0; done < length;) {
                // Whole blocks in every piece but the last.
                const size_t piece = std::min<size_t>(length - done, 8 * (1 + random() % 6));
                cipher.crypt(1, data.data() + done, static_cast<int32_t>(piece), key.data(),
                             chain.data(), &ivSize);
                done += piece;
            }
            EXPECT_EQ(ToHex(data), ToHex(expected));
            if (length > 0) {
                EXPECT_EQ(Bytes(chain.begin(), chain.end()), Bytes(data.end() - 8, data.end()));
            }

            const Bytes decrypted = oracle.Run(false, key, iv, expected);
            chain = iv;
            cipher.crypt(0, data.data(), static_cast<int32_t>(length), key.data(), chain.data(),
                         &ivSize);
            EXPECT_EQ(Bytes(data.begin(), data.begin() + static_cast<long>(length)),
                      Bytes(decrypted.begin(), decrypted.begin() + static_cast<long>(length)));
        }
    }
}

TEST(DesExports, TripleDesSelfTestPasses) {
    EXPECT_EQ(quillon::cipher::TripleDesSelfTest(), 1);
}

}  // namespace
