// The SHA-1 and MD5 engines: published vectors, both SHA-1 compression paths against OpenSSL's
// compression function, and the engines through toolkit digest objects.
#include <gtest/gtest.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/random_bytes.h"
#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "common/vector_file.h"
#include "hash/md5.h"
#include "hash/sha1.h"

namespace {

using namespace quillon::toolkit;
using namespace quillon::hash;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::RandomBytes;
using quillon::test::ToHex;

TEST(DigestEngines, PublishedVectorsThroughToolkitObjects) {
    const auto records = quillon::test::ReadVectorRecords("digests.txt");
    const struct {
        const char* section;
        InfoType kind;
    } kKinds[] = {{"MD5", InfoMd5}, {"SHA-1", InfoSha1}};
    for (const auto& [section, kind] : kKinds) {
        for (const quillon::test::VectorRecord& record :
             quillon::test::RecordsInSection(records, section)) {
            if (record.Has("Repeat")) continue;  // the long message, below
            SCOPED_TRACE(record.Where());
            const Bytes message = record.Get("Message");
            EXPECT_EQ(ToHex(quillon::test::ToolkitDigest(kind, message.data(), message.size())),
                      ToHex(record.Get("Digest")));
        }
    }
    // The long message (one million "a"), through the engine in pieces of 1000 bytes.
    for (const quillon::test::VectorRecord& record :
         quillon::test::RecordsInSection(records, "SHA-1")) {
        if (!record.Has("Repeat")) continue;
        SCOPED_TRACE(record.Where());
        const Bytes unit = record.Get("Message");
        const std::size_t repeat = record.Number("Repeat");
        ASSERT_EQ(repeat % 1000, 0u);
        Bytes chunk;
        for (int i = 0; i < 1000; ++i) chunk.insert(chunk.end(), unit.begin(), unit.end());
        Sha1Context context;
        Sha1Init(context);
        for (std::size_t i = 0; i < repeat / 1000; ++i) {
            Sha1Update(context, chunk.data(), chunk.size());
        }
        std::uint8_t digest[20];
        Sha1Final(context, digest);
        EXPECT_EQ(ToHex(digest, 20), ToHex(record.Get("Digest")));
    }
}

TEST(DigestEngines, Sha1CompressionPathsAgreeWithOpenSsl) {
    std::mt19937 random(186);
    const bool shaInstructions = Sha1HasShaInstructions();
    if (!shaInstructions) std::printf("(no SHA instructions here: generic path only)\n");
    for (std::size_t blocks : {1u, 2u, 3u, 7u, 64u}) {
        const Bytes data = RandomBytes(random, blocks * 64);
        std::uint32_t initial[5];
        for (auto& word : initial) word = static_cast<std::uint32_t>(random());

        SHA_CTX reference;
        SHA1_Init(&reference);
        std::memcpy(&reference.h0, initial, sizeof initial);  // h0..h4 are consecutive
        for (std::size_t b = 0; b < blocks; ++b) SHA1_Transform(&reference, data.data() + 64 * b);
        const std::uint32_t expected[5] = {reference.h0, reference.h1, reference.h2, reference.h3,
                                           reference.h4};

        std::uint32_t generic[5];
        std::memcpy(generic, initial, sizeof initial);
        Sha1CompressGeneric(generic, data.data(), blocks);
        EXPECT_EQ(std::memcmp(generic, expected, sizeof expected), 0) << blocks;

        std::uint32_t dispatched[5];
        std::memcpy(dispatched, initial, sizeof initial);
        Sha1Compress(dispatched, data.data(), blocks);
        EXPECT_EQ(std::memcmp(dispatched, expected, sizeof expected), 0) << blocks;

        if (shaInstructions) {
            std::uint32_t hardware[5];
            std::memcpy(hardware, initial, sizeof initial);
            Sha1CompressShaInstructions(hardware, data.data(), blocks);
            EXPECT_EQ(std::memcmp(hardware, expected, sizeof expected), 0) << blocks;
        }
    }
}

TEST(DigestEngines, EnginesAgreeWithOpenSslOnRandomChunkings) {
    std::mt19937 random(1321);
    for (std::size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 70000u}) {
        const Bytes data = RandomBytes(random, length);
        Sha1Context sha1;
        Md5Context md5;
        Sha1Init(sha1);
        Md5Init(md5);
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece = std::min<std::size_t>(length - at, random() % 150);
            Sha1Update(sha1, data.data() + at, piece);
            Md5Update(md5, data.data() + at, piece);
            at += piece;
        }
        std::uint8_t sha1Digest[20], md5Digest[16], sha1Expected[20], md5Expected[16];
        Sha1Final(sha1, sha1Digest);
        Md5Final(md5, md5Digest);
        SHA1(data.data(), length, sha1Expected);
        MD5(data.data(), length, md5Expected);
        EXPECT_EQ(ToHex(sha1Digest, 20), ToHex(sha1Expected, 20)) << length;
        EXPECT_EQ(ToHex(md5Digest, 16), ToHex(md5Expected, 16)) << length;
    }
}

TEST(DigestEngines, AToolkitDigestObjectStartsAgainAfterFinal) {
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoSha1, nullptr), kOk);
    ASSERT_EQ(AlgDigestInit(alg, nullptr, DefaultChooser, nullptr), kOk);
    const std::uint8_t abc[3] = {'a', 'b', 'c'};
    std::uint8_t first[20], second[20];
    std::uint32_t length = 0;
    ASSERT_EQ(AlgDigestUpdate(alg, abc, 3, nullptr), kOk);
    ASSERT_EQ(AlgDigestFinal(alg, first, &length, 20, nullptr), kOk);
    EXPECT_EQ(length, 20u);
    ASSERT_EQ(AlgDigestUpdate(alg, abc, 3, nullptr), kOk);
    ASSERT_EQ(AlgDigestFinal(alg, second, &length, 64, nullptr), kOk);
    EXPECT_EQ(ToHex(first, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(ToHex(second, 20), ToHex(first, 20));
}

}  // namespace
