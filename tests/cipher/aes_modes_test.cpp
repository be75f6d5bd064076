#include "cipher/aes_modes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "common/aes_engines.h"
#include "common/status_printer.h"
#include "common/vector_file.h"

namespace quillon::cipher {
namespace {

using test::Bytes;

// Every test runs on each engine.
class AesModes : public test::AesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, AesModes, test::kAesEngines, test::AesEngineName);

// The ECB vectors as every block of a buffer long enough for the wide paths: eight blocks side
// by side, then single blocks for the rest.
TEST_P(AesModes, EcbVectorsInEveryPosition) {
    constexpr int kCopies = 19;
    for (const test::VectorRecord& record :
         test::RecordsInSection(test::ReadVectorRecords("aes.txt"), "AES-ECB")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key");
        const Bytes plaintext = record.Get("Plaintext");
        const Bytes ciphertext = record.Get("Ciphertext");
        ASSERT_EQ(plaintext.size() % 16, 0u);
        const auto keyBits = static_cast<std::int32_t>(8 * key.size());
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(key.data(), keyBits, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(key.data(), keyBits, decryption), kAesKeySet);
        Bytes in, expected;
        for (int i = 0; i < kCopies; ++i) {
            in.insert(in.end(), plaintext.begin(), plaintext.end());
            expected.insert(expected.end(), ciphertext.begin(), ciphertext.end());
        }
        const std::size_t blocks = in.size() / 16;
        Bytes out(in.size());
        AesEcbEncrypt(encryption, out.data(), in.data(), blocks);
        EXPECT_EQ(test::ToHex(out), test::ToHex(expected));
        AesEcbDecrypt(decryption, out.data(), out.data(), blocks);
        EXPECT_EQ(test::ToHex(out), test::ToHex(in));
    }
}

TEST_P(AesModes, EmptyScheduleChangesNoBlock) {
    const AesKeySchedule empty{};
    uint8_t data[9 * 16], iv[16] = {};
    for (size_t i = 0; i < sizeof data; ++i) data[i] = static_cast<uint8_t>(i);
    uint8_t out[sizeof data];
    std::memset(out, 0xEE, sizeof out);
    AesEcbEncrypt(empty, out, data, 9);
    AesEcbDecrypt(empty, out, data, 9);
    for (const uint8_t byte : out) ASSERT_EQ(byte, 0xEE);
    AesCbcEncrypt(empty, data, 9, iv);
    AesCbcDecrypt(empty, data, 9, iv);
    for (size_t i = 0; i < sizeof data; ++i) ASSERT_EQ(data[i], static_cast<uint8_t>(i));
    EXPECT_EQ(0, std::memcmp(iv, data + 8 * 16, 16));
}

// One random message: key of a random size, whole blocks of random count, IV.
struct Message {
    int keyBytes;
    Bytes key, iv, plaintext;
};

Message RandomMessage(std::mt19937& random, int maxBlocks) {
    Message m;
    m.keyBytes = 16 + 8 * static_cast<int>(random() % 3);
    m.key.resize(m.keyBytes);
    m.iv.resize(16);
    m.plaintext.resize(16 * (random() % (maxBlocks + 1)));
    for (auto* bytes : {&m.key, &m.iv, &m.plaintext}) {
        for (auto& byte : *bytes) byte = static_cast<uint8_t>(random());
    }
    return m;
}

Bytes OpenSslEncrypt(const Message& m, bool cbc) {
    const EVP_CIPHER* ecb[] = {EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb()};
    const EVP_CIPHER* chained[] = {EVP_aes_128_cbc(), EVP_aes_192_cbc(), EVP_aes_256_cbc()};
    const int size = (m.keyBytes - 16) / 8;
    Bytes out(m.plaintext.size() + 16);
    int written = 0;
    EVP_CIPHER_CTX* oracle = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(oracle, (cbc ? chained : ecb)[size], nullptr, m.key.data(), m.iv.data());
    EVP_CIPHER_CTX_set_padding(oracle, 0);
    EVP_EncryptUpdate(oracle, out.data(), &written, m.plaintext.data(),
                      static_cast<int>(m.plaintext.size()));
    EVP_CIPHER_CTX_free(oracle);
    out.resize(m.plaintext.size());
    return out;
}

// Runs the message through one mode in pieces of random size (1 to 20 blocks, so both the
// eight-wide and the single-block paths meet every alignment); ECB out of place on odd trials.
// engines[i % 2] serves piece i, so a chain may cross from one engine to the other.
Bytes InPieces(std::mt19937& random, const AesKeySchedule& schedule, bool cbc, bool encrypt,
               const Bytes& iv, const Bytes& in, bool outOfPlace, const AesEngineKind engines[2]) {
    Bytes data = in, out(in.size()), chain = iv;
    const size_t blocks = in.size() / 16;
    for (size_t done = 0, piece = 0; done < blocks; ++piece) {
        EXPECT_TRUE(AesServeWithEngine(engines[piece % 2]));
        const size_t count = std::min<size_t>(blocks - done, 1 + random() % 20);
        uint8_t* at = data.data() + 16 * done;
        uint8_t* to = outOfPlace ? out.data() + 16 * done : at;
        if (cbc) {
            (encrypt ? AesCbcEncrypt : AesCbcDecrypt)(schedule, at, count, chain.data());
        } else {
            (encrypt ? AesEcbEncrypt : AesEcbDecrypt)(schedule, to, at, count);
        }
        done += count;
    }
    if (cbc && blocks != 0) {
        // The IV ends as the last ciphertext block.
        const Bytes& ciphertext = encrypt ? data : in;
        EXPECT_EQ(0, std::memcmp(chain.data(), ciphertext.data() + 16 * (blocks - 1), 16));
    }
    return outOfPlace && !cbc ? out : data;
}

// Against OpenSSL's EVP on random keys, lengths, pieces and chaining, both directions.
TEST_P(AesModes, AgreesWithOpenSslInPieces) {
    std::mt19937 random(1409);
    const AesEngineKind engines[2] = {GetParam(), GetParam()};
    for (int trial = 0; trial < 240; ++trial) {
        const Message m = RandomMessage(random, 70);
        const bool cbc = trial % 2 == 0, outOfPlace = trial % 4 == 1;
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(m.key.data(), m.keyBytes, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(m.key.data(), m.keyBytes, decryption), kAesKeySet);
        const Bytes expected = OpenSslEncrypt(m, cbc);
        const Bytes ciphertext =
            InPieces(random, encryption, cbc, true, m.iv, m.plaintext, outOfPlace, engines);
        ASSERT_EQ(ciphertext, expected) << "trial " << trial;
        ASSERT_EQ(InPieces(random, decryption, cbc, false, m.iv, ciphertext, outOfPlace, engines),
                  m.plaintext)
            << "trial " << trial;
    }
}

// The engines against each other: one message, its pieces served alternately by this engine
// and the portable one, gives what the portable engine gives alone; a schedule made once
// serves both.
TEST_P(AesModes, AgreesWithThePortableEngineAcrossPieces) {
    std::mt19937 random(2026);
    const AesEngineKind portableOnly[2] = {AesEngineKind::kPortable, AesEngineKind::kPortable};
    const AesEngineKind alternating[2] = {GetParam(), AesEngineKind::kPortable};
    for (int trial = 0; trial < 160; ++trial) {
        const Message m = RandomMessage(random, 90);
        const bool cbc = trial % 2 == 0, outOfPlace = trial % 4 == 1;
        AesKeySchedule encryption{}, decryption{};
        ASSERT_EQ(AesSetEncryptKey(m.key.data(), m.keyBytes, encryption), kAesKeySet);
        ASSERT_EQ(AesSetDecryptKey(m.key.data(), m.keyBytes, decryption), kAesKeySet);
        const Bytes reference =
            InPieces(random, encryption, cbc, true, m.iv, m.plaintext, outOfPlace, portableOnly);
        ASSERT_EQ(
            InPieces(random, encryption, cbc, true, m.iv, m.plaintext, outOfPlace, alternating),
            reference)
            << "trial " << trial;
        ASSERT_EQ(
            InPieces(random, decryption, cbc, false, m.iv, reference, outOfPlace, alternating),
            m.plaintext)
            << "trial " << trial;
    }
}

TEST(AesEngineChoice, TheFastestAvailableEngineServes) {
    EXPECT_TRUE(AesEngineAvailable(AesEngineKind::kPortable));
    // Vector AES needs the 128-bit instructions as well.
    if (AesEngineAvailable(AesEngineKind::kVectorInstructions)) {
        EXPECT_TRUE(AesEngineAvailable(AesEngineKind::kInstructions));
    }
    const AesEngineKind expected =
        AesEngineAvailable(AesEngineKind::kVectorInstructions) ? AesEngineKind::kVectorInstructions
        : AesEngineAvailable(AesEngineKind::kInstructions)     ? AesEngineKind::kInstructions
        : AesEngineAvailable(AesEngineKind::kVectorPermute)    ? AesEngineKind::kVectorPermute
                                                               : AesEngineKind::kPortable;
    EXPECT_EQ(AesServingEngine(), expected);
}

}  // namespace
}  // namespace quillon::cipher
