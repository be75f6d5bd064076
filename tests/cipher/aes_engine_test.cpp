#include "cipher/aes_engine.h"

#include <gtest/gtest.h>
#include <openssl/aes.h>

#include <cstring>
#include <random>

#include "cipher/aes_modes.h"
#include "common/aes_engines.h"
#include "common/status_printer.h"
#include "common/vector_file.h"

namespace quillon::cipher {
namespace {

using test::Bytes;

// The key setup runs its S-box and InvMixColumns on the serving engine: every test on each.
class AesEngine : public test::AesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, AesEngine, test::kAesEngines, test::AesEngineName);

void EncryptBlock(const std::uint8_t* in, std::uint8_t* out, const AesKeySchedule& schedule) {
    AesEcbEncrypt(schedule, out, in, 1);
}
void DecryptBlock(const std::uint8_t* in, std::uint8_t* out, const AesKeySchedule& schedule) {
    AesEcbDecrypt(schedule, out, in, 1);
}

// Each ECB vector block by block, encrypted with the key length in bits and decrypted with it in
// bytes.
TEST_P(AesEngine, EcbVectorsBothDirections) {
    for (const test::VectorRecord& record :
         test::RecordsInSection(test::ReadVectorRecords("aes.txt"), "AES-ECB")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key");
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        ASSERT_EQ(plaintext.size() % 16, 0u);
        ASSERT_EQ(ciphertext.size(), plaintext.size());
        const auto keyBytes = static_cast<std::int32_t>(key.size());
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key.data(), keyBytes * 8, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(key.data(), keyBytes, decryption), kAesKeySet);
        for (std::size_t at = 0; at < plaintext.size(); at += 16) {
            std::uint8_t block[16];
            EncryptBlock(plaintext.data() + at, block, encryption);
            EXPECT_EQ(test::ToHex(block, 16), test::ToHex(ciphertext.data() + at, 16));
            DecryptBlock(ciphertext.data() + at, block, decryption);
            EXPECT_EQ(test::ToHex(block, 16), test::ToHex(plaintext.data() + at, 16));
        }
    }
}

// The schedule, read as bytes, is the expanded key's words in order.
TEST_P(AesEngine, EncryptionScheduleIsTheKeyExpansion) {
    for (const test::VectorRecord& record :
         test::RecordsInSection(test::ReadVectorRecords("aes.txt"), "AES-KeyExpansion")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key");
        const Bytes expected = record.Get("Schedule");
        ASSERT_EQ(expected.size(), 16 * (key.size() / 4 + 7));
        AesKeySchedule schedule{};
        ASSERT_EQ(AesSetEncryptKey(key.data(), static_cast<std::int32_t>(key.size()), schedule),
                  kAesKeySet);
        const auto* scheduleBytes = reinterpret_cast<const std::uint8_t*>(schedule.roundKeys);
        for (std::size_t word = 0; word < expected.size() / 4; ++word) {
            EXPECT_EQ(test::ToHex(scheduleBytes + 4 * word, 4),
                      test::ToHex(expected.data() + 4 * word, 4))
                << "w[" << word << "]";
        }
    }
}

TEST_P(AesEngine, ScheduleLayout) {
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
        ASSERT_EQ(AesSetEncryptKey(key, c.keyBytes, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(key, c.keyBytes, decryption), kAesKeySet);
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

TEST(AesKeyLength, InBytesOrBits) {
    std::uint8_t key[32] = {1, 2, 3};
    for (const auto& [bytes, bits] : {std::pair{16, 128}, {24, 192}, {32, 256}}) {
        AesKeySchedule fromBytes{}, fromBits{};
        ASSERT_EQ(AesSetEncryptKey(key, bytes, fromBytes), kAesKeySet);
        ASSERT_EQ(AesSetEncryptKey(key, bits, fromBits), kAesKeySet);
        EXPECT_EQ(0, std::memcmp(&fromBytes, &fromBits, sizeof fromBytes));
    }
    for (const int refused : {0, -16, 15, 17, 20, 64, 127, 129, 512}) {
        AesKeySchedule schedule{};
        schedule.roundKeys[0] = 0xA5A5A5A5;
        EXPECT_EQ(AesSetEncryptKey(key, refused, schedule), kAesKeyRefused) << refused;
        EXPECT_EQ(AesSetDecryptKey(key, refused, schedule), kAesKeyRefused) << refused;
        EXPECT_EQ(schedule.roundKeys[0], 0xA5A5A5A5u);
        EXPECT_EQ(schedule.info, 0u);
    }
}

TEST_P(AesEngine, InPlaceMatchesSeparateBuffers) {
    std::uint8_t key[32] = {9, 8, 7};
    AesKeySchedule encryption{}, decryption{};
    AesSetEncryptKey256(key, encryption);
    AesSetDecryptKey256(key, decryption);
    std::uint8_t block[16] = {0x10, 0x20, 0x30}, separate[16];
    EncryptBlock(block, separate, encryption);
    EncryptBlock(block, block, encryption);
    EXPECT_EQ(0, std::memcmp(block, separate, 16));
    DecryptBlock(block, block, decryption);
    EXPECT_EQ(block[0], 0x10);
    EXPECT_EQ(block[2], 0x30);
}

TEST_P(AesEngine, SchedulesAndBlocksAgreeWithOpenSslOnRandomKeys) {
    std::mt19937 random(20261210);
    for (int trial = 0; trial < 600; ++trial) {
        const int keyBytes = 16 + 8 * (trial % 3);
        std::uint8_t key[32], block[16];
        for (auto& byte : key) byte = static_cast<std::uint8_t>(random());
        for (auto& byte : block) byte = static_cast<std::uint8_t>(random());

        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key, keyBytes, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(key, keyBytes, decryption), kAesKeySet);
        AES_KEY oracleEncryption, oracleDecryption;
        AES_set_encrypt_key(key, keyBytes * 8, &oracleEncryption);
        AES_set_decrypt_key(key, keyBytes * 8, &oracleDecryption);

        // Both schedules byte for byte: OpenSSL's round keys are in FIPS-197 byte order too.
        const std::size_t scheduleBytes =
            16 * (static_cast<std::size_t>(oracleEncryption.rounds) + 1);
        ASSERT_EQ(0, std::memcmp(encryption.roundKeys, oracleEncryption.rd_key, scheduleBytes))
            << "encryption schedule, key bytes " << keyBytes;
        ASSERT_EQ(0, std::memcmp(decryption.roundKeys, oracleDecryption.rd_key, scheduleBytes))
            << "decryption schedule, key bytes " << keyBytes;

        std::uint8_t ours[16], theirs[16];
        EncryptBlock(block, ours, encryption);
        AES_encrypt(block, theirs, &oracleEncryption);
        ASSERT_EQ(0, std::memcmp(ours, theirs, 16)) << "encrypt, key bytes " << keyBytes;
        DecryptBlock(block, ours, decryption);
        AES_decrypt(block, theirs, &oracleDecryption);
        ASSERT_EQ(0, std::memcmp(ours, theirs, 16)) << "decrypt, key bytes " << keyBytes;
    }
}

}  // namespace
}  // namespace quillon::cipher
