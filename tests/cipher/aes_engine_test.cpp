#include "cipher/aes_engine.h"

#include <gtest/gtest.h>
#include <openssl/aes.h>

#include <cstring>
#include <random>

#include "common/vector_file.h"

namespace quillon::cipher {
namespace {

using test::Bytes;

struct KnownAnswer {
    const char* prefix;
    int keyBits;
};
constexpr KnownAnswer kAppendixC[] = {{"C1_AES128", 128}, {"C2_AES192", 192}, {"C3_AES256", 256}};

TEST(AesEngine, Fips197AppendixCBothDirections) {
    const test::VectorFile vectors("aes.txt");
    for (const auto& [prefix, keyBits] : kAppendixC) {
        SCOPED_TRACE(prefix);
        const std::string name = prefix;
        const Bytes key = vectors.Get(name + "_key");
        const Bytes plaintext = vectors.Get(name + "_plaintext");
        const Bytes ciphertext = vectors.Get(name + "_ciphertext");
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key.data(), keyBits, encryption), 0);
        ASSERT_EQ(AesSetDecryptKey(key.data(), keyBits / 8, decryption), 0);
        std::uint8_t block[16];
        ASSERT_EQ(AesEncryptBlock(plaintext.data(), block, encryption), 0);
        EXPECT_EQ(test::ToHex(block, 16), test::ToHex(ciphertext));
        ASSERT_EQ(AesDecryptBlock(ciphertext.data(), block, decryption), 0);
        EXPECT_EQ(test::ToHex(block, 16), test::ToHex(plaintext));
    }
}

TEST(AesEngine, EncryptionScheduleIsTheFips197Expansion) {
    const test::VectorFile vectors("aes.txt");
    AesKeySchedule schedule{};
    ASSERT_EQ(AesSetEncryptKey128(vectors.Get("A1_key").data(), schedule), 0);
    for (int i = 0; i < 44; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "A1_w%02d", i);
        EXPECT_EQ(test::ToHex(reinterpret_cast<const std::uint8_t*>(&schedule.roundKeys[i]), 4),
                  test::ToHex(vectors.Get(name)))
            << name;
    }
}

TEST(AesEngine, ScheduleLayout) {
    struct Case {
        int keyBytes;
        int usedWords;
        std::uint32_t info;
    } const cases[] = {{16, 44, 160}, {24, 52, 192}, {32, 60, 224}};
    std::uint8_t key[32];
    for (int i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyBytes);
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key, c.keyBytes, encryption), 0);
        ASSERT_EQ(AesSetDecryptKey(key, c.keyBytes, decryption), 0);
        EXPECT_EQ(encryption.info, c.info);
        EXPECT_EQ(decryption.info, c.info);
        for (int word = c.usedWords; word < 60; ++word) {
            EXPECT_EQ(encryption.roundKeys[word], 0u) << word;
            EXPECT_EQ(decryption.roundKeys[word], 0u) << word;
        }
        const int rounds = c.usedWords / 4 - 1;
        // Slot 0 is the last encryption round key, slot Nr the key's first 16 bytes, both plain.
        EXPECT_EQ(0, std::memcmp(decryption.roundKeys, encryption.roundKeys + 4 * rounds, 16));
        EXPECT_EQ(0, std::memcmp(decryption.roundKeys + 4 * rounds, key, 16));
    }
}

TEST(AesEngine, KeyLengthInBytesOrBits) {
    std::uint8_t key[32] = {1, 2, 3};
    for (const auto& [bytes, bits] : {std::pair{16, 128}, {24, 192}, {32, 256}}) {
        AesKeySchedule fromBytes{}, fromBits{};
        ASSERT_EQ(AesSetEncryptKey(key, bytes, fromBytes), 0);
        ASSERT_EQ(AesSetEncryptKey(key, bits, fromBits), 0);
        EXPECT_EQ(0, std::memcmp(&fromBytes, &fromBits, sizeof fromBytes));
    }
    for (const int refused : {0, -16, 15, 17, 20, 64, 127, 129, 512}) {
        AesKeySchedule schedule{};
        schedule.roundKeys[0] = 0xA5A5A5A5;
        EXPECT_EQ(AesSetEncryptKey(key, refused, schedule), -1) << refused;
        EXPECT_EQ(AesSetDecryptKey(key, refused, schedule), -1) << refused;
        EXPECT_EQ(schedule.roundKeys[0], 0xA5A5A5A5u);
        EXPECT_EQ(schedule.info, 0u);
    }
}

TEST(AesEngine, EmptyScheduleWritesNothing) {
    const AesKeySchedule empty{};
    std::uint8_t in[16] = {1}, out[16];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(AesEncryptBlock(in, out, empty), -1);
    EXPECT_EQ(AesDecryptBlock(in, out, empty), -1);
    for (const std::uint8_t byte : out) EXPECT_EQ(byte, 0xEE);
}

TEST(AesEngine, InPlaceMatchesSeparateBuffers) {
    std::uint8_t key[32] = {9, 8, 7};
    AesKeySchedule encryption{}, decryption{};
    ASSERT_EQ(AesSetEncryptKey256(key, encryption), 0);
    ASSERT_EQ(AesSetDecryptKey256(key, decryption), 0);
    std::uint8_t block[16] = {0x10, 0x20, 0x30}, separate[16];
    ASSERT_EQ(AesEncryptBlock(block, separate, encryption), 0);
    ASSERT_EQ(AesEncryptBlock(block, block, encryption), 0);
    EXPECT_EQ(0, std::memcmp(block, separate, 16));
    ASSERT_EQ(AesDecryptBlock(block, block, decryption), 0);
    EXPECT_EQ(block[0], 0x10);
    EXPECT_EQ(block[2], 0x30);
}

TEST(AesEngine, AgreesWithOpenSslOnRandomKeysAndBlocks) {
    std::mt19937 random(20261210);
    for (int trial = 0; trial < 600; ++trial) {
        const int keyBytes = 16 + 8 * (trial % 3);
        std::uint8_t key[32], block[16];
        for (auto& byte : key) byte = static_cast<std::uint8_t>(random());
        for (auto& byte : block) byte = static_cast<std::uint8_t>(random());

        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key, keyBytes, encryption), 0);
        ASSERT_EQ(AesSetDecryptKey(key, keyBytes, decryption), 0);
        AES_KEY oracleEncryption, oracleDecryption;
        AES_set_encrypt_key(key, keyBytes * 8, &oracleEncryption);
        AES_set_decrypt_key(key, keyBytes * 8, &oracleDecryption);

        std::uint8_t ours[16], theirs[16];
        ASSERT_EQ(AesEncryptBlock(block, ours, encryption), 0);
        AES_encrypt(block, theirs, &oracleEncryption);
        ASSERT_EQ(0, std::memcmp(ours, theirs, 16)) << "encrypt, key bytes " << keyBytes;
        ASSERT_EQ(AesDecryptBlock(block, ours, decryption), 0);
        AES_decrypt(block, theirs, &oracleDecryption);
        ASSERT_EQ(0, std::memcmp(ours, theirs, 16)) << "decrypt, key bytes " << keyBytes;
    }
}

}  // namespace
}  // namespace quillon::cipher
