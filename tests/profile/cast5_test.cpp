#include "profile/cast5.h"

#include <gtest/gtest.h>
#include <openssl/cast.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "common/random_bytes.h"
#include "common/status_printer.h"
#include "common/vector_file.h"
#include "profile/cast5_sboxes.h"

namespace quillon::profile {
namespace {

using enum CastStatus;
using test::Bytes;
using test::RandomBytes;
using test::ToHex;

CastContext Keyed(const Bytes& key) {
    CastContext context{};
    EXPECT_EQ(CastInit(context, key.data(), static_cast<std::uint32_t>(8 * key.size())), kOk);
    return context;
}

// The whole CBC decryption as the profile reader runs it, fed in chunks of the given size
// (0: one call). Returns everything written, and the final's status and valid byte count.
struct Decrypted {
    Bytes bytes;  // delivered bytes followed by the final's valid bytes
    CastStatus finalStatus;
    std::uint32_t finalLength;
};

Decrypted CbcDecrypt(CastContext context, const Bytes& iv, const Bytes& ciphertext,
                     std::size_t chunk) {
    std::memcpy(context.chaining, iv.data(), 8);
    context.held = 0;
    context.bufferedCount = 0;
    Bytes out(ciphertext.size() + 16);
    std::size_t delivered = 0;
    const std::size_t step = chunk == 0 ? ciphertext.size() : chunk;
    for (std::size_t at = 0; at < ciphertext.size(); at += step) {
        auto length = static_cast<std::uint32_t>(std::min(step, ciphertext.size() - at));
        EXPECT_EQ(
            CastCbcDecryptUpdate(context, ciphertext.data() + at, out.data() + delivered, length),
            kOk);
        delivered += length;
    }
    Decrypted result{};
    result.finalStatus = CastCbcDecryptFinal(context, out.data() + delivered, result.finalLength);
    out.resize(delivered + result.finalLength);
    result.bytes = out;
    return result;
}

// OpenSSL's CAST5 for the same key (its CAST_set_key applies the 12-round rule too).
CAST_KEY OpenSslKey(const Bytes& key) {
    CAST_KEY schedule;
    CAST_set_key(&schedule, static_cast<int>(key.size()), key.data());
    return schedule;
}

Bytes OpenSslCbcEncrypt(const Bytes& key, Bytes iv, const Bytes& plaintext) {
    const CAST_KEY schedule = OpenSslKey(key);
    Bytes out(plaintext.size());
    CAST_cbc_encrypt(plaintext.data(), out.data(), static_cast<long>(plaintext.size()), &schedule,
                     iv.data(), CAST_ENCRYPT);
    return out;
}

// CBC-MAC through OpenSSL: the last block of the CBC encryption of the zero-padded message
// under a zero IV (one zero block for the empty message).
Bytes OpenSslMac(const Bytes& key, Bytes message) {
    if (message.empty() || message.size() % 8 != 0) message.resize((message.size() / 8 + 1) * 8);
    const Bytes encrypted = OpenSslCbcEncrypt(key, Bytes(8, 0), message);
    return Bytes(encrypted.end() - 8, encrypted.end());
}

TEST(Cast5, SboxesAreThoseOfRfc2144) {
    const test::VectorFile vectors("cast5.txt");
    for (int box = 0; box < 8; ++box) {
        for (int entry = 0; entry < 256; ++entry) {
            char name[16];
            std::snprintf(name, sizeof name, "S%d_%03d", box + 1, entry);
            const Bytes word = vectors.Get(name);
            ASSERT_EQ(word.size(), 4u);
            const std::uint32_t expected = (std::uint32_t{word[0]} << 24) |
                                           (std::uint32_t{word[1]} << 16) |
                                           (std::uint32_t{word[2]} << 8) | word[3];
            ASSERT_EQ(kCastSbox[box][entry], expected) << name;
        }
    }
}

// RFC 2144 appendix B.1: the CBC-MAC of one block under a zero chaining value is the block's
// encryption, and decrypting the ciphertext gives the plaintext back (whose last byte, 0xEF, is
// no valid padding).
TEST(Cast5, Rfc2144SinglePlaintextVectors) {
    const test::VectorFile vectors("cast5.txt");
    for (const char* bits : {"128", "80", "40"}) {
        SCOPED_TRACE(bits);
        const std::string prefix = std::string("B1_") + bits + "_";
        const Bytes key = vectors.Get(prefix + "key");
        const Bytes plaintext = vectors.Get(prefix + "plaintext");
        const Bytes ciphertext = vectors.Get(prefix + "ciphertext");
        CastContext context = Keyed(key);
        EXPECT_EQ(context.keyBits, 8 * key.size());
        EXPECT_EQ(CastMacVerify(context, plaintext.data(), 8, ciphertext.data()), 1);
        EXPECT_EQ(ToHex(context.chaining, 8), ToHex(ciphertext));

        std::memset(context.chaining, 0, 8);
        context.held = 0;
        context.bufferedCount = 0;
        std::uint8_t out[16];
        std::uint32_t length = 8;
        ASSERT_EQ(CastCbcDecryptUpdate(context, ciphertext.data(), out, length), kOk);
        EXPECT_EQ(length, 0u) << "the only block is held back";
        std::uint32_t finalLength = 99;
        EXPECT_EQ(CastCbcDecryptFinal(context, out, finalLength), kBadInput);
        EXPECT_EQ(finalLength, 0u);
        EXPECT_EQ(ToHex(out, 8), ToHex(plaintext));
    }
}

TEST(Cast5, KeyLengthRules) {
    const std::uint8_t key[17] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    struct Case {
        std::uint32_t bits;
        CastStatus status;
    } const kCases[] = {{0, kNoKey},  {32, kNoKey},  {36, kNoKey},  {39, kNoKey},   {40, kOk},
                        {44, kNoKey}, {48, kOk},     {80, kOk},     {88, kOk},      {127, kNoKey},
                        {128, kOk},   {136, kNoKey}, {256, kNoKey}, {65576, kNoKey}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bits);
        CastContext context{};
        EXPECT_EQ(CastInit(context, key, c.bits), c.status);
        EXPECT_EQ(context.keyBits, static_cast<std::uint16_t>(c.bits)) << "stored before the check";
        EXPECT_EQ(std::memcmp(context.marker, kCastMarker, 16) == 0, c.status == kOk);
    }
}

TEST(Cast5, ContextWithoutMarkerRefusesEverything) {
    const std::uint8_t key[16] = {};
    CastContext context{};
    ASSERT_EQ(CastInit(context, key, 44), kNoKey);
    std::uint8_t before[sizeof context];
    std::memcpy(before, &context, sizeof context);
    std::uint8_t in[24] = {1, 2, 3}, out[40] = {};
    std::uint32_t length = 24;
    EXPECT_EQ(CastCbcDecryptUpdate(context, in, out, length), kNoKey);
    EXPECT_EQ(length, 24u) << "length left as it was";
    EXPECT_EQ(CastCbcDecryptFinal(context, out, length), kNoKey);
    EXPECT_EQ(length, 24u);
    EXPECT_EQ(CastMacUpdate(context, in, 24), kNoKey);
    CastMacFinal(context);
    EXPECT_EQ(std::memcmp(&context, before, sizeof context), 0);
    for (std::uint8_t byte : out) EXPECT_EQ(byte, 0);
    // The MAC of an unkeyed context would be the zero block it starts from: never a match.
    const std::uint8_t zeroMac[8] = {};
    EXPECT_EQ(CastMacVerify(context, in, 24, zeroMac), 0);
}

TEST(Cast5, RejectedReinitKeepsMarkerWithClearedSubkeys) {
    const test::VectorFile vectors("cast5.txt");
    CastContext context = Keyed(vectors.Get("B1_128_key"));
    const std::uint8_t key[16] = {};
    EXPECT_EQ(CastInit(context, key, 136), kNoKey);
    EXPECT_EQ(std::memcmp(context.marker, kCastMarker, 16), 0);
    for (const auto& subkey : context.subkeys) {
        EXPECT_EQ(subkey.mask, 0u);
        EXPECT_EQ(subkey.rotate, 0u);
    }
}

TEST(Cast5, InitLeavesStreamingStateAndIvAlone) {
    CastContext context{};
    std::memset(context.initialVector, 0xA5, 8);
    std::memset(context.chaining, 0x5A, 8);
    context.held = 1;
    context.bufferedCount = 3;
    const std::uint8_t key[16] = {9};
    ASSERT_EQ(CastInit(context, key, 128), kOk);
    EXPECT_EQ(context.initialVector[7], 0xA5);
    EXPECT_EQ(context.chaining[0], 0x5A);
    EXPECT_EQ(context.held, 1);
    EXPECT_EQ(context.bufferedCount, 3u);
}

// Random keys of 5 to 16 bytes (12 and 16 rounds), random lengths: OpenSSL encrypts a padded
// message, we decrypt it in one call, byte by byte and in odd chunks.
TEST(Cast5, CbcDecryptionMatchesOpenSsl) {
    std::mt19937 random(2144);
    for (int trial = 0; trial < 300; ++trial) {
        const Bytes key = RandomBytes(random, 5 + random() % 12);
        const Bytes iv = RandomBytes(random, 8);
        const Bytes message = RandomBytes(random, random() % 100);
        const std::size_t pad = 8 - message.size() % 8;
        Bytes padded = message;
        padded.insert(padded.end(), pad, static_cast<std::uint8_t>(pad));
        const Bytes ciphertext = OpenSslCbcEncrypt(key, iv, padded);
        const CastContext context = Keyed(key);
        for (std::size_t chunk :
             {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{13}}) {
            SCOPED_TRACE(testing::Message() << "trial " << trial << " chunk " << chunk);
            const Decrypted result = CbcDecrypt(context, iv, ciphertext, chunk);
            EXPECT_EQ(result.finalStatus, kOk);
            EXPECT_EQ(result.finalLength, 8 - pad);
            ASSERT_EQ(ToHex(result.bytes), ToHex(message));
        }
    }
}

TEST(Cast5, UpdateHoldsTheLastBlockBack) {
    const Bytes key(16, 0x42), iv(8, 0x17);
    Bytes plaintext(16, 0x61);
    plaintext[15] = 3;
    const Bytes ciphertext = OpenSslCbcEncrypt(key, iv, plaintext);
    CastContext context = Keyed(key);
    std::memcpy(context.chaining, iv.data(), 8);
    std::uint8_t out[32];
    std::uint32_t length = 16;
    ASSERT_EQ(CastCbcDecryptUpdate(context, ciphertext.data(), out, length), kOk);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(context.held, 1);
    EXPECT_EQ(ToHex(out, 16), ToHex(plaintext)) << "the held block is written, not counted";
    std::uint32_t finalLength = 0;
    EXPECT_EQ(CastCbcDecryptFinal(context, out + 8, finalLength), kOk);
    EXPECT_EQ(finalLength, 5u);
    EXPECT_EQ(context.held, 0);
    // Nothing held any more: status 0, length 0.
    finalLength = 7;
    EXPECT_EQ(CastCbcDecryptFinal(context, out, finalLength), kOk);
    EXPECT_EQ(finalLength, 0u);
}

TEST(Cast5, FinalPaddingByte) {
    const Bytes key(10, 0x33), iv(8, 0);
    struct Case {
        std::uint8_t last;
        CastStatus status;
        std::uint32_t length;
    } const kCases[] = {{0x00, kBadInput, 0}, {0x01, kOk, 7},       {0x05, kOk, 3},
                        {0x08, kOk, 0},       {0x09, kBadInput, 0}, {0xFF, kBadInput, 0}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.last));
        Bytes block = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, c.last};
        const Decrypted result = CbcDecrypt(Keyed(key), iv, OpenSslCbcEncrypt(key, iv, block), 0);
        EXPECT_EQ(result.finalStatus, c.status);
        EXPECT_EQ(result.finalLength, c.length);
    }
}

TEST(Cast5, FinalDropsBytesThatNeverMadeABlock) {
    const Bytes key(16, 1), iv(8, 2);
    Bytes ciphertext = OpenSslCbcEncrypt(key, iv, Bytes{1, 2, 3, 4, 5, 6, 7, 1});
    ciphertext.insert(ciphertext.end(), {9, 9, 9});
    const Decrypted result = CbcDecrypt(Keyed(key), iv, ciphertext, 0);
    EXPECT_EQ(result.finalStatus, kOk);
    EXPECT_EQ(ToHex(result.bytes), "01020304050607");
}

TEST(Cast5, MacMatchesOpenSslCbcEncryption) {
    std::mt19937 random(9797);
    for (int trial = 0; trial < 300; ++trial) {
        const Bytes key = RandomBytes(random, 5 + random() % 12);
        const Bytes message = RandomBytes(random, trial < 20 ? trial : random() % 200);
        const Bytes expected = OpenSslMac(key, message);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " length " << message.size());
        CastContext context = Keyed(key);
        EXPECT_EQ(CastMacVerify(context, message.data(), static_cast<std::uint32_t>(message.size()),
                                expected.data()),
                  1);
        // Streaming in odd pieces gives the same MAC.
        std::memset(context.chaining, 0, 8);
        context.bufferedCount = 0;
        context.macStarted = 0;
        for (std::size_t at = 0; at < message.size(); at += 5) {
            const auto piece =
                static_cast<std::uint32_t>(std::min<std::size_t>(5, message.size() - at));
            ASSERT_EQ(CastMacUpdate(context, message.data() + at, piece), kOk);
        }
        CastMacFinal(context);
        EXPECT_EQ(ToHex(context.chaining, 8), ToHex(expected));
        // Any flipped bit of the expected MAC is refused.
        Bytes wrong = expected;
        wrong[random() % 8] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        EXPECT_EQ(CastMacVerify(context, message.data(), static_cast<std::uint32_t>(message.size()),
                                wrong.data()),
                  0);
    }
}

TEST(Cast5, MacZeroPadding) {
    CastContext context = Keyed(Bytes(16, 0x77));
    const std::uint8_t seven[8] = {1, 2, 3, 4, 5, 6, 7, 0};
    ASSERT_EQ(CastMacVerify(context, seven, 8, seven), 0);
    std::uint8_t eightMac[8];
    std::memcpy(eightMac, context.chaining, 8);
    EXPECT_EQ(CastMacVerify(context, seven, 7, eightMac), 1)
        << "7 bytes MAC like the same bytes and one zero byte";
    // The empty message is one zero block; a whole-block message gets no extra block.
    const std::uint8_t zeros[8] = {};
    ASSERT_EQ(CastMacVerify(context, zeros, 8, zeros), 0);
    std::uint8_t zeroBlockMac[8];
    std::memcpy(zeroBlockMac, context.chaining, 8);
    EXPECT_EQ(CastMacVerify(context, nullptr, 0, zeroBlockMac), 1);
}

}  // namespace
}  // namespace quillon::profile
