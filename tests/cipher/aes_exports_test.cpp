#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <vector>

#include "cipher/aes_self_test.h"
#include "common/aes_engines.h"
#include "common/allocation_failure.h"
#include "common/vector_file.h"
#include "quillon.h"

namespace {

using quillon::test::Bytes;

constexpr uint8_t kEncrypt = 0;
constexpr uint8_t kDecrypt = 1;

// Every test runs on each AES engine.
class AesExports : public quillon::test::AesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, AesExports, quillon::test::kAesEngines,
                         quillon::test::AesEngineName);
class AesSelfTest : public quillon::test::AesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, AesSelfTest, quillon::test::kAesEngines,
                         quillon::test::AesEngineName);

// An AES handle that is destroyed at the end of the test.
struct Handle {
    AesContext* context = nullptr;
    ~Handle() { AesDestroyContext(&context); }
};

// Encryption contexts keyed with the length in bytes, decryption contexts in bits.
TEST_P(AesExports, EcbVectors) {
    for (const quillon::test::VectorRecord& record :
         quillon::test::RecordsInSection(quillon::test::ReadVectorRecords("aes.txt"), "AES-ECB")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key");
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        const auto keyBytes = static_cast<int32_t>(key.size());
        const auto length = static_cast<int32_t>(plaintext.size());
        Handle encryption, decryption;
        ASSERT_EQ(AesCreateContext(&encryption.context, kEncrypt, keyBytes, key.data()), 0);
        ASSERT_EQ(AesCreateContext(&decryption.context, kDecrypt, keyBytes * 8, key.data()), 0);

        Bytes out(plaintext.size());
        ASSERT_EQ(AesEncryptBlocks(&encryption.context, out.data(), plaintext.data(), length), 0);
        EXPECT_EQ(quillon::test::ToHex(out), quillon::test::ToHex(ciphertext));
        ASSERT_EQ(AesDecryptBlocks(&decryption.context, out.data(), ciphertext.data(), length), 0);
        EXPECT_EQ(out, plaintext);
    }
}

// In place, the IV left as the last ciphertext block in both directions.
TEST_P(AesExports, CbcVectors) {
    for (const quillon::test::VectorRecord& record :
         quillon::test::RecordsInSection(quillon::test::ReadVectorRecords("aes.txt"), "AES-CBC")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key");
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        ASSERT_GE(ciphertext.size(), 16u);
        const Bytes lastBlock(ciphertext.end() - 16, ciphertext.end());
        const auto keyBytes = static_cast<int32_t>(key.size());
        const auto length = static_cast<uint32_t>(plaintext.size());
        Handle encryption, decryption;
        ASSERT_EQ(AesCreateContext(&encryption.context, kEncrypt, keyBytes, key.data()), 0);
        ASSERT_EQ(AesCreateContext(&decryption.context, kDecrypt, keyBytes * 8, key.data()), 0);

        Bytes data = plaintext;
        Bytes iv = record.Get("IV");
        AesCbcCrypt(1, data.data(), length, &encryption.context, iv.data());
        EXPECT_EQ(quillon::test::ToHex(data), quillon::test::ToHex(ciphertext));
        EXPECT_EQ(quillon::test::ToHex(iv), quillon::test::ToHex(lastBlock));

        iv = record.Get("IV");
        AesCbcCrypt(0, data.data(), length, &decryption.context, iv.data());
        EXPECT_EQ(data, plaintext);
        EXPECT_EQ(quillon::test::ToHex(iv), quillon::test::ToHex(lastBlock));
    }
}

TEST_P(AesExports, EcbLengthRules) {
    const uint8_t key[16] = {};
    Handle handle;
    ASSERT_EQ(AesCreateContext(&handle.context, kEncrypt, 16, key), 0);
    uint8_t in[48] = {}, out[48];
    struct Case {
        int32_t length;
        int32_t status;
        bool writes;
    } const cases[] = {{0, 0, false}, {16, 0, true},   {17, 1, false}, {15, 1, false},
                       {8, 1, false}, {-16, 1, false}, {-1, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::memset(out, 0xEE, sizeof out);
        EXPECT_EQ(AesEncryptBlocks(&handle.context, out, in, c.length), c.status);
        EXPECT_EQ(out[0] != 0xEE, c.writes);
        EXPECT_EQ(out[16], 0xEE);
    }
}

// A context without the schedule of the call's direction cannot encrypt or decrypt: -1, whatever
// the length, and the output (or the data, in place) stays as it was.
TEST_P(AesExports, EcbWithoutTheDirectionsScheduleIsRefused) {
    const uint8_t key[32] = {9};
    struct Case {
        const char* name;
        uint8_t direction;
        int32_t keyLength;
        bool encrypt;
    } const cases[] = {
        {"decrypt with an encryption context", kEncrypt, 16, false},
        {"encrypt with a decryption context", kDecrypt, 32, true},
        {"encrypt, refused key length", kEncrypt, 20, true},
        {"decrypt, refused key length", kDecrypt, 20, false},
        {"encrypt, key length 0", kEncrypt, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Handle handle;
        ASSERT_GE(AesCreateContext(&handle.context, c.direction, c.keyLength, key), 0);
        const auto ecb = c.encrypt ? AesEncryptBlocks : AesDecryptBlocks;
        for (const int32_t length : {0, 16, 48, 17}) {
            SCOPED_TRACE(length);
            uint8_t in[48], out[48];
            std::memset(in, 0x5A, sizeof in);
            std::memset(out, 0xEE, sizeof out);
            EXPECT_EQ(ecb(&handle.context, out, in, length), -1);
            EXPECT_EQ(Bytes(out, out + 48), Bytes(48, 0xEE));
            EXPECT_EQ(ecb(&handle.context, in, in, length), -1);
            EXPECT_EQ(Bytes(in, in + 48), Bytes(48, 0x5A));
        }
    }
}

TEST_P(AesExports, EmptyHandleIsRefusedOrIgnored) {
    AesContext* empty = nullptr;
    uint8_t data[32] = {7}, iv[16] = {3};
    EXPECT_EQ(AesEncryptBlocks(&empty, data, data, 16), -1);
    EXPECT_EQ(AesDecryptBlocks(&empty, data, data, 16), -1);
    AesCbcCrypt(1, data, 32, &empty, iv);
    AesCbcCrypt(0, data, 32, &empty, iv);
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(iv[0], 3);
    AesDestroyContext(&empty);
    AesDestroyContext(&empty);
    EXPECT_EQ(empty, nullptr);
}

// Null pointers where the caller's variable or bytes belong: a status or nothing, no crash.
TEST_P(AesExports, NullArgumentsAreRefused) {
    const uint8_t key[16] = {};
    EXPECT_EQ(AesCreateContext(nullptr, kEncrypt, 16, key), -1);
    AesDestroyContext(nullptr);
    uint8_t data[16] = {7}, iv[16] = {3};
    EXPECT_EQ(AesEncryptBlocks(nullptr, data, data, 16), -1);
    AesCbcCrypt(1, data, 16, nullptr, iv);
    for (const uint8_t direction : {kEncrypt, kDecrypt}) {
        SCOPED_TRACE(static_cast<int>(direction));
        Handle keyless;
        EXPECT_EQ(AesCreateContext(&keyless.context, direction, 16, nullptr), 1);
        EXPECT_NE(keyless.context, nullptr);

        Handle handle;
        ASSERT_EQ(AesCreateContext(&handle.context, direction, 16, key), 0);
        const auto ecb = direction == kEncrypt ? AesEncryptBlocks : AesDecryptBlocks;
        EXPECT_EQ(ecb(&handle.context, nullptr, data, 16), -1);
        EXPECT_EQ(ecb(&handle.context, data, nullptr, 16), -1);
        EXPECT_EQ(ecb(&handle.context, nullptr, nullptr, 0), 0);
        EXPECT_EQ(ecb(&handle.context, nullptr, data, 17), 1);
        AesCbcCrypt(direction == kEncrypt, nullptr, 32, &handle.context, iv);
        AesCbcCrypt(direction == kEncrypt, data, 16, &handle.context, nullptr);
        AesCbcCrypt(direction == kEncrypt, nullptr, 15, &handle.context, nullptr);
        EXPECT_EQ(data[0], 7);
        EXPECT_EQ(iv[0], 3);
    }
}

TEST_P(AesExports, RefusedKeyLengthStillStoresAContext) {
    const uint8_t key[32] = {};
    for (const int32_t length : {20, 0, -1, 64}) {
        AesContext* handle = nullptr;
        EXPECT_EQ(AesCreateContext(&handle, kEncrypt, length, key), 1);
        ASSERT_NE(handle, nullptr);
        uint8_t out[16];
        std::memset(out, 0xEE, sizeof out);
        EXPECT_EQ(AesEncryptBlocks(&handle, out, key, 16), -1);
        EXPECT_EQ(out[0], 0xEE);
        uint8_t data[32] = {1, 2, 3}, iv[16] = {};
        AesCbcCrypt(1, data, sizeof data, &handle, iv);
        AesCbcCrypt(0, data, sizeof data, &handle, iv);
        EXPECT_EQ(data[0], 1);
        EXPECT_EQ(data[2], 3);
        AesDestroyContext(&handle);
        EXPECT_EQ(handle, nullptr);
    }
}

TEST_P(AesExports, OnlyTheDirectionFlagsLowByteCounts) {
    const uint8_t key[16] = {1};
    Handle handle;
    // 0x100 truncated to a byte is 0: an encryption context.
    ASSERT_EQ(AesCreateContext(&handle.context, static_cast<uint8_t>(0x100), 16, key), 0);
    uint8_t in[16] = {}, out[16];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(AesEncryptBlocks(&handle.context, out, in, 16), 0);
    EXPECT_NE(0, std::memcmp(out, "\xEE\xEE\xEE\xEE", 4));
}

TEST_P(AesExports, FailedAllocationLeavesTheHandleAlone) {
    const uint8_t key[16] = {};
    auto* const sentinel = reinterpret_cast<AesContext*>(0x1234);
    AesContext* handle = sentinel;
    quillon::test::ForEachAllocationFailure([&](int) {
        handle = sentinel;
        const int32_t status = AesCreateContext(&handle, kEncrypt, 16, key);
        if (status == -1) {
            EXPECT_EQ(handle, sentinel);
        } else {
            EXPECT_EQ(status, 0);
            AesDestroyContext(&handle);
        }
    });
}

TEST_P(AesExports, CbcLeavesTheTailAndCarriesTheIv) {
    const uint8_t key[16] = {5};
    Handle handle;
    ASSERT_EQ(AesCreateContext(&handle.context, kEncrypt, 16, key), 0);
    uint8_t data[40], iv[16] = {};
    for (int i = 0; i < 40; ++i) data[i] = static_cast<uint8_t>(i);
    AesCbcCrypt(1, data, 40, &handle.context, iv);
    for (int i = 32; i < 40; ++i) EXPECT_EQ(data[i], i);
    EXPECT_EQ(0, std::memcmp(iv, data + 16, 16));

    uint8_t iv2[16] = {9}, untouched[15] = {4};
    AesCbcCrypt(1, untouched, 15, &handle.context, iv2);
    EXPECT_EQ(untouched[0], 4);
    EXPECT_EQ(iv2[0], 9);
}

// Random keys of the three sizes and random lengths, in place over several calls that share
// one IV buffer, against OpenSSL's EVP on the whole message.
TEST_P(AesExports, AgreesWithOpenSslEvpInPieces) {
    std::mt19937 random(4242);
    const EVP_CIPHER* ecbCiphers[] = {EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb()};
    const EVP_CIPHER* cbcCiphers[] = {EVP_aes_128_cbc(), EVP_aes_192_cbc(), EVP_aes_256_cbc()};
    for (int trial = 0; trial < 90; ++trial) {
        const int size = trial % 3;
        const int keyBytes = 16 + 8 * size;
        const int blocks = static_cast<int>(random() % 40);
        Bytes key(keyBytes), iv(16), message(16 * blocks);
        for (auto* bytes : {&key, &iv, &message}) {
            for (auto& byte : *bytes) byte = static_cast<uint8_t>(random());
        }
        const bool cbc = trial % 2 == 0;
        Bytes expected(message.size() + 16);
        int written = 0;
        EVP_CIPHER_CTX* oracle = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(oracle, (cbc ? cbcCiphers : ecbCiphers)[size], nullptr, key.data(),
                           iv.data());
        EVP_CIPHER_CTX_set_padding(oracle, 0);
        EVP_EncryptUpdate(oracle, expected.data(), &written, message.data(),
                          static_cast<int>(message.size()));
        EVP_CIPHER_CTX_free(oracle);
        expected.resize(message.size());

        Handle encryption, decryption;
        ASSERT_EQ(AesCreateContext(&encryption.context, kEncrypt, keyBytes, key.data()), 0);
        ASSERT_EQ(AesCreateContext(&decryption.context, kDecrypt, keyBytes * 8, key.data()), 0);
        Bytes data = message;
        Bytes chain = iv;
        for (int done = 0; done < blocks;) {
            const int piece = std::min(blocks - done, 1 + static_cast<int>(random() % 7));
            uint8_t* at = data.data() + 16 * done;
            if (cbc) {
                AesCbcCrypt(1, at, 16 * piece, &encryption.context, chain.data());
            } else {
                ASSERT_EQ(AesEncryptBlocks(&encryption.context, at, at, 16 * piece), 0);
            }
            done += piece;
        }
        ASSERT_EQ(data, expected) << "trial " << trial;

        chain = iv;
        if (cbc) {
            AesCbcCrypt(0, data.data(), static_cast<uint32_t>(data.size()), &decryption.context,
                        chain.data());
        } else {
            ASSERT_EQ(AesDecryptBlocks(&decryption.context, data.data(), data.data(),
                                       static_cast<int32_t>(data.size())),
                      0);
        }
        ASSERT_EQ(data, message) << "trial " << trial;
    }
}

TEST_P(AesSelfTest, PassesAndFailsWithoutMemory) {
    EXPECT_EQ(quillon::cipher::AesSelfTest(), 1);
    quillon::test::ForEachAllocationFailure([](int failing) {
        const int verdict = quillon::cipher::AesSelfTest();
        if (failing <= 2) {
            EXPECT_EQ(verdict, 0) << failing;
        }
    });
}

}  // namespace
