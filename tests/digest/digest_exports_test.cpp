// Ordinals 11-16 as a caller uses them: published vectors, OpenSSL as the oracle on random
// messages and chunkings, the handle rules, and every allocation failure of create.
#include <gtest/gtest.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/vector_file.h"
#include "digest/sha1_self_test.h"
#include "quillon.h"

namespace {

using quillon::test::Bytes;
using quillon::test::ToHex;

struct Algorithm {
    const char* name;
    void (*create)(DigestHandle**);
    void (*final)(uint8_t*, DigestHandle**);
    size_t length;
    unsigned char* (*oracle)(const unsigned char*, size_t, unsigned char*);
};
const Algorithm kAlgorithms[] = {
    {"MD5", Md5Create, Md5Final, 16, MD5},
    {"SHA-1", Sha1Create, Sha1Final, 20, SHA1},
};

// Digest through the exports, the message cut into the given pieces.
Bytes Digest(const Algorithm& algorithm, const Bytes& message, const std::vector<size_t>& pieces) {
    DigestHandle* handle = nullptr;
    algorithm.create(&handle);
    EXPECT_NE(handle, nullptr);
    size_t at = 0;
    for (size_t piece : pieces) {
        DigestUpdate(&handle, message.data() + at, static_cast<uint32_t>(piece));
        at += piece;
    }
    Bytes out(algorithm.length);
    algorithm.final(out.data(), &handle);
    EXPECT_EQ(handle, nullptr);
    return out;
}

Bytes Oracle(const Algorithm& algorithm, const Bytes& message) {
    Bytes out(algorithm.length);
    algorithm.oracle(message.data(), message.size(), out.data());
    return out;
}

std::vector<size_t> RandomPieces(std::mt19937& random, size_t length, size_t largest) {
    std::vector<size_t> pieces;
    for (size_t left = length; left != 0;) {
        const size_t piece = std::min<size_t>(left, random() % (largest + 1));
        pieces.push_back(piece);  // zero-length pieces included
        left -= piece;
    }
    return pieces;
}

TEST(DigestExports, PublishedVectors) {
    const auto records = quillon::test::ReadVectorRecords("digests.txt");
    for (const Algorithm& algorithm : kAlgorithms) {
        for (const quillon::test::VectorRecord& record :
             quillon::test::RecordsInSection(records, algorithm.name)) {
            if (record.Has("Repeat")) continue;  // the long message: the engines' test
            SCOPED_TRACE(record.Where());
            const Bytes message = record.Get("Message");
            EXPECT_EQ(ToHex(Digest(algorithm, message, {message.size()})),
                      ToHex(record.Get("Digest")));
        }
    }
    const Bytes abc = {'a', 'b', 'c'};
    EXPECT_EQ(ToHex(Digest(kAlgorithms[1], abc, {1, 1, 1})),
              "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(ToHex(Digest(kAlgorithms[1], abc, {0, 3, 0})),
              "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(ToHex(Digest(kAlgorithms[1], {}, {})), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(ToHex(Digest(kAlgorithms[0], {}, {})), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(DigestExports, AgreeWithOpenSslOnEveryLengthUpTo300) {
    std::mt19937 random(11);
    for (const Algorithm& algorithm : kAlgorithms) {
        for (size_t length = 0; length <= 300; ++length) {
            Bytes message(length);
            for (auto& b : message) b = static_cast<uint8_t>(random());
            const auto pieces =
                length % 2 == 0 ? std::vector<size_t>{length} : RandomPieces(random, length, 70);
            ASSERT_EQ(ToHex(Digest(algorithm, message, pieces)), ToHex(Oracle(algorithm, message)))
                << algorithm.name << " length " << length;
        }
    }
}

TEST(DigestExports, AgreeWithOpenSslOnLargeMessages) {
    std::mt19937 random(16);
    for (const Algorithm& algorithm : kAlgorithms) {
        for (size_t length : {65536u, 1000003u}) {
            Bytes message(length);
            for (auto& b : message) b = static_cast<uint8_t>(random());
            for (size_t largest : {size_t{1} << 20, size_t{4096}, size_t{63}}) {
                EXPECT_EQ(ToHex(Digest(algorithm, message, RandomPieces(random, length, largest))),
                          ToHex(Oracle(algorithm, message)))
                    << algorithm.name << " " << length << " pieces up to " << largest;
            }
        }
    }
}

TEST(DigestExports, HandleRules) {
    for (const Algorithm& algorithm : kAlgorithms) {
        SCOPED_TRACE(algorithm.name);
        DigestHandle* handle = nullptr;
        algorithm.create(&handle);
        ASSERT_NE(handle, nullptr);
        uint8_t out[20];
        algorithm.final(out, &handle);
        EXPECT_EQ(handle, nullptr);
        // After final: a late update and a second final do nothing.
        DigestUpdate(&handle, out, 4);
        uint8_t untouched[20];
        std::memset(untouched, 0xEE, sizeof untouched);
        algorithm.final(untouched, &handle);
        EXPECT_EQ(untouched[0], 0xEE);
        EXPECT_EQ(handle, nullptr);
        // A null variable address is ignored, not followed.
        algorithm.create(nullptr);
        DigestUpdate(nullptr, out, 4);
        algorithm.final(out, nullptr);
    }
}

TEST(DigestExports, FinalOfTheOtherAlgorithm) {
    const Bytes abc = {'a', 'b', 'c'};
    // An MD5 handle finished as SHA-1: 20 bytes of room hold the 16-byte MD5 digest.
    DigestHandle* handle = nullptr;
    Md5Create(&handle);
    DigestUpdate(&handle, abc.data(), 3);
    uint8_t out[20];
    std::memset(out, 0xEE, sizeof out);
    Sha1Final(out, &handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(ToHex(out, 16), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(out[16], 0xEE);
    // A SHA-1 handle finished as MD5: 16 bytes cannot hold it; nothing is written, the handle
    // is released all the same.
    Sha1Create(&handle);
    std::memset(out, 0xEE, sizeof out);
    Md5Final(out, &handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(out[0], 0xEE);
}

TEST(DigestExports, EveryAllocationFailureOfCreate) {
    for (const Algorithm& algorithm : kAlgorithms) {
        SCOPED_TRACE(algorithm.name);
        // Any recognisable address: create must not touch it on the first failure.
        alignas(void*) unsigned char sentinelBlock[16] = {};
        DigestHandle* const sentinel = reinterpret_cast<DigestHandle*>(sentinelBlock);
        (void)quillon::support::CountAllocations();
        DigestHandle* counted = nullptr;
        algorithm.create(&counted);
        const int createAllocations = quillon::support::CountAllocations();
        uint8_t digest[20];
        algorithm.final(digest, &counted);

        const int allocations = quillon::test::ForEachAllocationFailure([&](int failing) {
            DigestHandle* handle = sentinel;
            algorithm.create(&handle);
            quillon::support::FailNthAllocation(0);
            if (failing == 1) {
                EXPECT_EQ(handle, sentinel) << "no handle: the variable is left as it was";
                return;
            }
            ASSERT_NE(handle, nullptr);
            ASSERT_NE(handle, sentinel);
            const uint8_t data[3] = {'a', 'b', 'c'};
            DigestUpdate(&handle, data, 3);
            uint8_t out[20];
            std::memset(out, 0xEE, sizeof out);
            algorithm.final(out, &handle);
            EXPECT_EQ(handle, nullptr) << "final releases the handle";
            if (failing <= createAllocations) {
                EXPECT_EQ(out[0], 0xEE) << "allocation " << failing << ": nothing written";
            } else {
                EXPECT_EQ(ToHex(out, algorithm.length), ToHex(Oracle(algorithm, {'a', 'b', 'c'})));
            }
        });
        EXPECT_EQ(allocations, createAllocations);
    }
}

TEST(DigestExports, Sha1SelfTest) {
    EXPECT_EQ(quillon::digest::Sha1SelfTest(), 1);
    EXPECT_EQ(quillon::digest::Sha1SelfTest(), 1);
    (void)quillon::support::CountAllocations();
    ASSERT_EQ(quillon::digest::Sha1SelfTest(), 1);
    const int allocations = quillon::support::CountAllocations();
    // Whichever allocation fails, some digest is missing and the test fails.
    quillon::test::ForEachAllocationFailure([&](int failing) {
        EXPECT_EQ(quillon::digest::Sha1SelfTest(), failing <= allocations ? 0 : 1) << failing;
    });
}

}  // namespace
