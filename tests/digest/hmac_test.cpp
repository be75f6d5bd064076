// HMAC through ordinals 45-49: published vectors, OpenSSL's HMAC as the oracle, the key-length
// and reuse rules, the guards, and out of memory at every allocation.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/vector_file.h"
#include "digest/hmac_self_test.h"
#include "quillon.h"
#include "support/checked_alloc.h"

namespace {

using quillon::test::Bytes;
using quillon::test::ToHex;

// An HMAC through the exports, the message in the given pieces.
Bytes Mac(uint32_t hash, const Bytes& key, const Bytes& message, std::vector<size_t> pieces = {}) {
    if (pieces.empty()) pieces = {message.size()};
    HmacContext context;
    std::memset(&context, 0xAB, sizeof context);  // what fresh caller memory may hold
    HmacInit(&context, HmacGetHash(hash), key.data(), static_cast<uint32_t>(key.size()));
    size_t at = 0;
    for (size_t piece : pieces) {
        HmacUpdate(&context, message.data() + at, static_cast<uint32_t>(piece));
        at += piece;
    }
    Bytes out(context.digestLength);
    HmacFinal(out.data(), &context);
    EXPECT_EQ(context.handle, nullptr);
    return out;
}

Bytes Oracle(uint32_t hash, const Bytes& key, const Bytes& message) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    HMAC(hash == 1 ? EVP_md5() : EVP_sha1(), key.data(), static_cast<int>(key.size()),
         message.data(), message.size(), out.data(), &length);
    out.resize(length);
    return out;
}

TEST(Hmac, Rfc2202AndFips198Vectors) {
    for (const quillon::test::VectorRecord& record : quillon::test::ReadVectorRecords("hmac.txt")) {
        SCOPED_TRACE(record.Where());
        const bool md5 = record.section == "HMAC-MD5";
        ASSERT_TRUE(md5 || record.section == "HMAC-SHA-1");
        const Bytes mac = Mac(md5 ? 1 : 2, record.Get("Key"), record.Get("Message"));
        ASSERT_EQ(mac.size(), md5 ? 16u : 20u);
        // A published MAC may be truncated (FIPS 198 example 4): compare that many bytes.
        const Bytes expected = record.Get("Mac");
        ASSERT_LE(expected.size(), mac.size());
        EXPECT_EQ(ToHex(Bytes(mac.begin(), mac.begin() + expected.size())), ToHex(expected));
    }
}

TEST(Hmac, KeyLengthsAroundTheBlock) {
    const Bytes message = {'m', 'e', 's', 's', 'a', 'g', 'e'};
    for (uint32_t hash : {1u, 2u}) {
        for (size_t length : {0u, 1u, 63u, 64u, 65u, 200u}) {
            Bytes key(length);
            for (size_t i = 0; i < length; ++i) key[i] = static_cast<uint8_t>(i * 7 + 1);
            EXPECT_EQ(ToHex(Mac(hash, key, message)), ToHex(Oracle(hash, key, message)))
                << hash << "/" << length;
        }
        // A key longer than the block stands for its digest.
        const Bytes longKey(65, 0x42);
        Bytes digest(hash == 1 ? 16 : 20);
        DigestHandle* handle = nullptr;
        (hash == 1 ? Md5Create : Sha1Create)(&handle);
        DigestUpdate(&handle, longKey.data(), 65);
        (hash == 1 ? Md5Final : Sha1Final)(digest.data(), &handle);
        EXPECT_EQ(ToHex(Mac(hash, longKey, message)), ToHex(Mac(hash, digest, message)));
    }
}

TEST(Hmac, AgreesWithOpenSslOnRandomKeysAndMessages) {
    std::mt19937 random(2104);
    for (int round = 0; round < 300; ++round) {
        const uint32_t hash = 1 + round % 2;
        Bytes key(random() % 150), message(random() % 301);
        for (auto& b : key) b = static_cast<uint8_t>(random());
        for (auto& b : message) b = static_cast<uint8_t>(random());
        std::vector<size_t> pieces;
        for (size_t left = message.size(); left != 0;) {
            pieces.push_back(std::min<size_t>(left, random() % 90));
            left -= pieces.back();
        }
        pieces.push_back(0);
        ASSERT_EQ(ToHex(Mac(hash, key, message, pieces)), ToHex(Oracle(hash, key, message)))
            << round;
    }
}

TEST(Hmac, ResetReusesTheKey) {
    const Bytes key = {'k', 'e', 'y'}, first = {'o', 'n', 'e'}, second = {'t', 'w', 'o', '!'};
    HmacContext context;
    HmacInit(&context, HmacGetHash(2), key.data(), 3);
    HmacUpdate(&context, first.data(), 3);
    uint8_t mac[20];
    HmacFinal(mac, &context);
    EXPECT_EQ(ToHex(mac, 20), ToHex(Oracle(2, key, first)));
    for (int i = 0; i < 3; ++i) {
        HmacReset(&context);
        HmacUpdate(&context, second.data(), 4);
        HmacFinal(mac, &context);
        EXPECT_EQ(ToHex(mac, 20), ToHex(Oracle(2, key, second)));
    }
    // A reset while a message runs abandons it (no handle is lost).
    HmacReset(&context);
    HmacUpdate(&context, first.data(), 3);
    HmacReset(&context);
    HmacUpdate(&context, second.data(), 4);
    HmacFinal(mac, &context);
    EXPECT_EQ(ToHex(mac, 20), ToHex(Oracle(2, key, second)));
    EXPECT_EQ(context.digestLength, 20u);
}

TEST(Hmac, HashTableSlots) {
    struct Case {
        uint32_t number;
        bool present;
        uint32_t length;
        bool operations;
    } const cases[] = {{0, true, 0, false}, {1, true, 16, true},  {2, true, 20, true},
                       {3, true, 0, false}, {4, false, 0, false}, {0xFFFFFFFFu, false, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const HashDescriptor* descriptor = HmacGetHash(c.number);
        ASSERT_EQ(descriptor != nullptr, c.present);
        if (!c.present) continue;
        EXPECT_EQ(descriptor->digestLength, c.length);
        EXPECT_EQ(descriptor->create != nullptr, c.operations);
        EXPECT_EQ(descriptor->update != nullptr, c.operations);
        EXPECT_EQ(descriptor->final != nullptr, c.operations);
    }
    EXPECT_EQ(HmacGetHash(1)->create, &Md5Create);
    EXPECT_EQ(HmacGetHash(2)->update, &DigestUpdate);
    EXPECT_EQ(HmacGetHash(2)->final, &Sha1Final);
    EXPECT_EQ(HmacGetHash(1) + 1, HmacGetHash(2)) << "slots are consecutive";
}

TEST(Hmac, NothingHappensWithoutAUsableRun) {
    const uint8_t key[4] = {1, 2, 3, 4};
    struct Case {
        const char* name;
        const HashDescriptor* descriptor;
        const uint8_t* key;
        uint32_t keyLength;
    } const cases[] = {
        {"slot 0", HmacGetHash(0), key, 4},
        {"slot 3", HmacGetHash(3), key, 4},
        {"null descriptor", nullptr, key, 4},
        {"null key with a length", HmacGetHash(2), nullptr, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HmacContext context;
        std::memset(&context, 0xAB, sizeof context);
        HmacInit(&context, c.descriptor, c.key, c.keyLength);
        EXPECT_EQ(context.handle, nullptr);
        HmacUpdate(&context, key, 4);
        HmacReset(&context);
        uint8_t out[20];
        std::memset(out, 0xEE, sizeof out);
        HmacFinal(out, &context);
        EXPECT_EQ(out[0], 0xEE);
        EXPECT_EQ(context.handle, nullptr);
    }
    // A null key of length 0 is the empty key.
    EXPECT_EQ(ToHex(Mac(2, {}, {'x'})), ToHex(Oracle(2, {}, {'x'})));
    HmacInit(nullptr, HmacGetHash(2), key, 4);
    HmacUpdate(nullptr, key, 4);
    HmacFinal(nullptr, nullptr);
    HmacReset(nullptr);
}

// A caller's own descriptor over an OpenSSL digest: the handle holds the EVP context.
template <const EVP_MD* (*kMd)()>
struct OpenSslDigest {
    static void QUILLON_CALL Create(DigestHandle** handle) {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, kMd(), nullptr);
        *handle = reinterpret_cast<DigestHandle*>(context);
    }
    static void QUILLON_CALL Update(DigestHandle** handle, const uint8_t* data, uint32_t length) {
        EVP_DigestUpdate(reinterpret_cast<EVP_MD_CTX*>(*handle), data, length);
    }
    static void QUILLON_CALL Final(uint8_t* out, DigestHandle** handle) {
        auto* context = reinterpret_cast<EVP_MD_CTX*>(*handle);
        EVP_DigestFinal_ex(context, out, nullptr);
        EVP_MD_CTX_free(context);
        *handle = nullptr;
    }
    static HashDescriptor Descriptor(uint32_t digestLength) {
        return {digestLength, Create, Update, Final};
    }
};
using Sha224 = OpenSslDigest<EVP_sha224>;
using Sha256 = OpenSslDigest<EVP_sha256>;
using Sha512 = OpenSslDigest<EVP_sha512>;

Bytes DescriptorMac(const HashDescriptor& descriptor, const Bytes& key, const Bytes& message) {
    HmacContext context;
    std::memset(&context, 0xAB, sizeof context);
    HmacInit(&context, &descriptor, key.data(), static_cast<uint32_t>(key.size()));
    HmacUpdate(&context, message.data(), static_cast<uint32_t>(message.size()));
    Bytes out(descriptor.digestLength);
    HmacFinal(out.data(), &context);
    EXPECT_EQ(context.handle, nullptr);
    return out;
}

// RFC 2104 with a 64-byte block over any digest of at most 64 bytes, built from OpenSSL's plain
// digests (SHA-512 here is not HMAC-SHA-512, whose block is 128 bytes).
Bytes BlockOf64Hmac(const EVP_MD* md, const Bytes& key, const Bytes& message) {
    const auto digest = [md](const Bytes& first, const Bytes& second) {
        Bytes out(EVP_MD_size(md));
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, md, nullptr);
        EVP_DigestUpdate(context, first.data(), first.size());
        EVP_DigestUpdate(context, second.data(), second.size());
        EVP_DigestFinal_ex(context, out.data(), nullptr);
        EVP_MD_CTX_free(context);
        return out;
    };
    Bytes block = key.size() > 64 ? digest(key, {}) : key;
    block.resize(64);
    Bytes inner = block, outer = block;
    for (size_t i = 0; i < 64; ++i) {
        inner[i] ^= 0x36;
        outer[i] ^= 0x5C;
    }
    return digest(outer, digest(inner, message));
}

TEST(Hmac, CallersDescriptorsOfLongerDigestsFollowRfc4231) {
    const HashDescriptor sha224 = Sha224::Descriptor(28), sha256 = Sha256::Descriptor(32);
    for (const quillon::test::VectorRecord& record :
         quillon::test::ReadVectorRecords("hmac_sha2.txt")) {
        SCOPED_TRACE(record.Where());
        const Bytes key = record.Get("Key"), data = record.Get("Data");
        for (const auto& [descriptor, field] :
             {std::pair{&sha224, "SHA-224"}, std::pair{&sha256, "SHA-256"}}) {
            const Bytes expected = record.Get(field);  // case 5: truncated
            const Bytes mac = DescriptorMac(*descriptor, key, data);
            EXPECT_EQ(ToHex(Bytes(mac.begin(), mac.begin() + expected.size())), ToHex(expected))
                << field;
        }
    }
}

TEST(Hmac, CallersDescriptorsAgreeWithTheDefinitionUpToTheBlock) {
    struct Case {
        const char* name;
        HashDescriptor descriptor;
        const EVP_MD* md;
    } const cases[] = {
        {"SHA-224", Sha224::Descriptor(28), EVP_sha224()},
        {"SHA-256", Sha256::Descriptor(32), EVP_sha256()},
        // A 64-byte digest: a long key's digest fills the whole key block.
        {"SHA-512 over 64-byte blocks", Sha512::Descriptor(64), EVP_sha512()},
    };
    std::mt19937 random(4231);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const size_t keyLength : {0u, 1u, 63u, 64u, 65u, 200u}) {
            Bytes key(keyLength), message(random() % 200);
            for (auto& b : key) b = static_cast<uint8_t>(random());
            for (auto& b : message) b = static_cast<uint8_t>(random());
            EXPECT_EQ(ToHex(DescriptorMac(c.descriptor, key, message)),
                      ToHex(BlockOf64Hmac(c.md, key, message)))
                << keyLength;
        }
    }
}

TEST(Hmac, ADigestLongerThanTheBlockIsRefused) {
    // The operations write 32 bytes, the descriptor claims 100: nothing may be written at all.
    const HashDescriptor claimsTooMuch = Sha256::Descriptor(100);
    const Bytes key(16, 0x11), message(40, 0x22);
    for (const size_t keyLength : {16u, 100u}) {
        SCOPED_TRACE(keyLength);
        HmacContext context;
        std::memset(&context, 0xAB, sizeof context);
        const Bytes longKey(keyLength, 0x11);
        HmacInit(&context, &claimsTooMuch, longKey.data(), static_cast<uint32_t>(keyLength));
        EXPECT_EQ(context.handle, nullptr);
        HmacUpdate(&context, message.data(), 40);
        HmacReset(&context);
        uint8_t out[100 + 16];
        std::memset(out, 0xEE, sizeof out);
        HmacFinal(out, &context);
        EXPECT_EQ(ToHex(out, sizeof out), std::string(2 * sizeof out, 'E'));
        EXPECT_EQ(context.handle, nullptr);
    }
    // The largest accepted digest writes exactly its length.
    HmacContext context;
    const HashDescriptor sha512 = Sha512::Descriptor(64);
    HmacInit(&context, &sha512, key.data(), 16);
    uint8_t out[64 + 16];
    std::memset(out, 0xEE, sizeof out);
    HmacFinal(out, &context);
    EXPECT_EQ(ToHex(out + 64, 16), std::string(32, 'E'));
    EXPECT_NE(ToHex(out, 64), std::string(128, 'E'));
}

TEST(Hmac, ASecondFinalWritesNothing) {
    const Bytes key = {'k'}, message = {'m'};
    HmacContext context;
    HmacInit(&context, HmacGetHash(1), key.data(), 1);
    HmacUpdate(&context, message.data(), 1);
    uint8_t mac[16], again[16];
    HmacFinal(mac, &context);
    std::memcpy(again, mac, 16);
    HmacFinal(again, &context);
    EXPECT_EQ(ToHex(again, 16), ToHex(mac, 16));
    EXPECT_EQ(ToHex(mac, 16), ToHex(Oracle(1, key, message)));
    // The pads are the caller's to keep or wipe; they are unchanged by final.
    EXPECT_EQ(context.innerPad[0], 'k' ^ 0x36);
    EXPECT_EQ(context.outerPad[1], 0x5C);
}

TEST(Hmac, EveryAllocationFailure) {
    for (uint32_t hash : {1u, 2u}) {
        for (size_t keyLength : {20u, 100u}) {
            SCOPED_TRACE(std::to_string(hash) + "/" + std::to_string(keyLength));
            const Bytes key(keyLength, 0x33), message(50, 0x44);
            const Bytes expected = Oracle(hash, key, message);
            quillon::test::ForEachAllocationFailure([&](int failing) {
                HmacContext context;
                std::memset(&context, 0xAB, sizeof context);
                HmacInit(&context, HmacGetHash(hash), key.data(), static_cast<uint32_t>(keyLength));
                HmacUpdate(&context, message.data(), 50);
                uint8_t out[20];
                std::memset(out, 0xEE, sizeof out);
                HmacFinal(out, &context);
                quillon::support::FailNthAllocation(0);
                EXPECT_EQ(context.handle, nullptr);
                // Either the right MAC or none: never one over a wrong key or inner digest.
                const std::string written = ToHex(out, expected.size());
                EXPECT_TRUE(written == ToHex(expected) ||
                            written == std::string(2 * expected.size(), 'E'))
                    << "allocation " << failing << ": " << written;
            });
        }
    }
}

TEST(Hmac, SelfTest) {
    EXPECT_EQ(quillon::digest::HmacSelfTest(), 1);
    (void)quillon::support::CountAllocations();
    ASSERT_EQ(quillon::digest::HmacSelfTest(), 1);
    const int allocations = quillon::support::CountAllocations();
    quillon::test::ForEachAllocationFailure([&](int failing) {
        EXPECT_EQ(quillon::digest::HmacSelfTest(), failing <= allocations ? 0 : 1) << failing;
    });
}

}  // namespace
