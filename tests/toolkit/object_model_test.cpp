// The object model's rules: the checks every operation makes before dispatch and the object
// lifecycle, driven as tables.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Key;

const std::uint8_t kDesKey[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
const std::uint8_t kIv[8] = {0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF};

// Objects in each lifecycle state, made fresh for each case.
struct World {
    Alg empty;
    Alg setSha1;
    Alg sha1;
    Alg md5;
    Alg random;
    Alg setRandom;
    Alg desCbcEncrypt;
    Alg desCbcSet;
    Alg dh;
    Key emptyKey;
    Key desKey;
    // Something that is not an object, big enough to be read as one.
    alignas(AlgObject) unsigned char fake[sizeof(AlgObject) + sizeof(KeyObject)] = {};

    World() {
        EXPECT_EQ(AlgSetInfo(setSha1, InfoSha1, nullptr), kOk);
        EXPECT_EQ(AlgSetInfo(sha1, InfoSha1, nullptr), kOk);
        EXPECT_EQ(AlgDigestInit(sha1, nullptr, DefaultChooser, nullptr), kOk);
        EXPECT_EQ(AlgSetInfo(md5, InfoMd5, nullptr), kOk);
        EXPECT_EQ(AlgDigestInit(md5, nullptr, DefaultChooser, nullptr), kOk);
        EXPECT_EQ(AlgSetInfo(random, InfoRandomFips186, nullptr), kOk);
        EXPECT_EQ(AlgRandomInit(random, DefaultChooser, nullptr), kOk);
        EXPECT_EQ(AlgSetInfo(setRandom, InfoRandomMultiStream, nullptr), kOk);
        EXPECT_EQ(quillon::test::SetDesKey(desKey, kDesKey), kOk);
        Item iv{const_cast<std::uint8_t*>(kIv), 8};
        EXPECT_EQ(AlgSetInfo(desCbcEncrypt, InfoDesCbc, &iv), kOk);
        EXPECT_EQ(AlgEncryptInit(desCbcEncrypt, desKey, DefaultChooser, nullptr), kOk);
        EXPECT_EQ(AlgSetInfo(desCbcSet, InfoDesCbc, &iv), kOk);
    }
    AlgObject* Fake() { return reinterpret_cast<AlgObject*>(fake); }
    KeyObject* FakeKey() { return reinterpret_cast<KeyObject*>(fake); }
};

struct Case {
    const char* name;
    std::function<Status(World&)> run;
    Status expected;
};

std::uint8_t out[64];
std::uint32_t outLength;
const std::uint8_t kData[4] = {1, 2, 3, 4};

const Case kCases[] = {
    // Info types and families.
    {"AlgSetInfo with a key-info type",
     [](World& w) { return AlgSetInfo(w.empty, KeyInfoRsaPublic, nullptr); }, kKeyInfoToAlgorithm},
    {"AlgSetInfo with KeyInfoDes",
     [](World& w) { return AlgSetInfo(w.empty, KeyInfoDes, nullptr); }, kKeyInfoToAlgorithm},
    {"AlgSetInfo with no type", [](World& w) { return AlgSetInfo(w.empty, nullptr, nullptr); },
     kKeyInfoToAlgorithm},
    {"KeySetInfo with an algorithm-info type",
     [](World& w) { return KeySetInfo(w.emptyKey, InfoMd5, nullptr); }, kWrongAlgorithm},
    {"KeyGetInfo with an algorithm-info type",
     [](World& w) {
         void* form;
         return KeyGetInfo(&form, w.desKey, InfoSha1);
     },
     kWrongAlgorithm},
    // Second set.
    {"second AlgSetInfo", [](World& w) { return AlgSetInfo(w.sha1, InfoMd5, nullptr); },
     kInfoAlreadySet},
    {"second AlgSetInfo of the same kind",
     [](World& w) { return AlgSetInfo(w.setSha1, InfoSha1, nullptr); }, kInfoAlreadySet},
    {"second KeySetInfo", [](World& w) { return quillon::test::SetDesKey(w.desKey, kDesKey); },
     kKeyAlreadySet},
    // Handle checks.
    {"AlgSetInfo on null", [](World&) { return AlgSetInfo(nullptr, InfoSha1, nullptr); },
     kBadAlgorithmObject},
    {"AlgSetInfo on a non-object", [](World& w) { return AlgSetInfo(w.Fake(), InfoSha1, nullptr); },
     kBadAlgorithmObject},
    {"AlgDigestInit with a non-key",
     [](World& w) { return AlgDigestInit(w.setSha1, w.FakeKey(), DefaultChooser, nullptr); },
     kBadKeyObject},
    {"KeySetInfo on a non-key",
     [](World& w) { return quillon::test::SetDesKey(w.FakeKey(), kDesKey); }, kBadKeyObject},
    {"KeySetInfo on an algorithm object",
     [](World& w) {
         return quillon::test::SetDesKey(reinterpret_cast<KeyObject*>(w.sha1.get()), kDesKey);
     },
     kBadKeyObject},
    {"KeyGetInfo on an empty key",
     [](World& w) {
         void* form;
         return KeyGetInfo(&form, w.emptyKey, KeyInfoDes);
     },
     kKeyEmpty},
    {"KeyGetInfo of a form the key cannot give",
     [](World& w) {
         void* form;
         return KeyGetInfo(&form, w.desKey, KeyInfoRsaPublic);
     },
     kKeyFormUnavailable},
    // Lifecycle.
    {"init on an empty object",
     [](World& w) { return AlgDigestInit(w.empty, nullptr, DefaultChooser, nullptr); },
     kNoAlgorithmInfo},
    {"update before init", [](World& w) { return AlgDigestUpdate(w.setSha1, kData, 4, nullptr); },
     kNotInitialized},
    {"update on an empty object",
     [](World& w) { return AlgDigestUpdate(w.empty, kData, 4, nullptr); }, kNotInitialized},
    {"final before init",
     [](World& w) { return AlgDigestFinal(w.setSha1, out, &outLength, 64, nullptr); },
     kNotInitialized},
    {"update without data", [](World& w) { return AlgDigestUpdate(w.sha1, nullptr, 0, nullptr); },
     kNullData},
    {"SHA-1 final with room for 19",
     [](World& w) { return AlgDigestFinal(w.sha1, out, &outLength, 19, nullptr); },
     kOutputTooSmall},
    {"SHA-1 final with room for 20",
     [](World& w) { return AlgDigestFinal(w.sha1, out, &outLength, 20, nullptr); }, kOk},
    {"MD5 final with room for 15",
     [](World& w) { return AlgDigestFinal(w.md5, out, &outLength, 15, nullptr); }, kOutputTooSmall},
    {"MD5 final with room for 16",
     [](World& w) { return AlgDigestFinal(w.md5, out, &outLength, 16, nullptr); }, kOk},
    // Families.
    {"digest init on a random object",
     [](World& w) { return AlgDigestInit(w.setRandom, nullptr, DefaultChooser, nullptr); },
     kWrongAlgorithm},
    {"digest update on a random object",
     [](World& w) { return AlgDigestUpdate(w.random, kData, 4, nullptr); }, kWrongAlgorithm},
    {"random init on a digest object",
     [](World& w) { return AlgRandomInit(w.setSha1, DefaultChooser, nullptr); }, kWrongAlgorithm},
    {"random update on a digest object",
     [](World& w) { return AlgRandomUpdate(w.sha1, kData, 4, nullptr); }, kWrongAlgorithm},
    {"generate init on a digest object",
     [](World& w) { return AlgGenerateInit(w.setSha1, DefaultChooser, nullptr); }, kWrongAlgorithm},
    {"encrypt init on a digest object",
     [](World& w) { return AlgEncryptInit(w.setSha1, w.desKey, DefaultChooser, nullptr); },
     kWrongAlgorithm},
    {"phase 1 on a digest object",
     [](World& w) { return AlgKeyAgreePhase1(w.sha1, out, &outLength, 64, w.random, nullptr); },
     kWrongAlgorithm},
    {"phase 2 on a random object",
     [](World& w) { return AlgKeyAgreePhase2(w.random, out, &outLength, 64, kData, 4, nullptr); },
     kWrongAlgorithm},
    // Random objects.
    {"random init on a non-object",
     [](World& w) { return AlgRandomInit(w.Fake(), DefaultChooser, nullptr); }, kBadRandomObject},
    {"random update on null", [](World&) { return AlgRandomUpdate(nullptr, kData, 4, nullptr); },
     kBadRandomObject},
    {"generate on a non-object",
     [](World& w) { return AlgGenerateRandomBytes(w.Fake(), out, 4, nullptr); }, kBadRandomObject},
    {"random init on an empty object",
     [](World& w) { return AlgRandomInit(w.empty, DefaultChooser, nullptr); }, kNoAlgorithmInfo},
    {"random update before init",
     [](World& w) { return AlgRandomUpdate(w.setRandom, kData, 4, nullptr); }, kNotInitialized},
    {"generate before init",
     [](World& w) { return AlgGenerateRandomBytes(w.setRandom, out, 4, nullptr); },
     kNotInitialized},
    {"phase 1 without random object",
     [](World& w) { return AlgKeyAgreePhase1(w.sha1, out, &outLength, 64, nullptr, nullptr); },
     kBadRandomObject},
    {"encrypt update with a non-object as random object",
     [](World& w) {
         return AlgEncryptUpdate(w.desCbcEncrypt, out, &outLength, 64, kData, 4, w.Fake(), nullptr);
     },
     kBadRandomObject},
    {"encrypt update with no random object",
     [](World& w) {
         return AlgEncryptUpdate(w.desCbcEncrypt, out, &outLength, 64, kData, 4, nullptr, nullptr);
     },
     kOk},
    // Encryption objects.
    {"encrypt init without key",
     [](World& w) { return AlgEncryptInit(w.desCbcSet, nullptr, DefaultChooser, nullptr); },
     kBadKeyObject},
    {"encrypt update before init",
     [](World& w) {
         return AlgEncryptUpdate(w.desCbcSet, out, &outLength, 64, kData, 4, nullptr, nullptr);
     },
     kNotInitialized},
    {"decrypt update on an object initialised to encrypt",
     [](World& w) {
         return AlgDecryptUpdate(w.desCbcEncrypt, out, &outLength, 64, kData, 4, nullptr, nullptr);
     },
     kNotInitialized},
    {"encrypt final with a partial block",
     [](World& w) {
         Status s =
             AlgEncryptUpdate(w.desCbcEncrypt, out, &outLength, 64, kData, 4, nullptr, nullptr);
         return s != kOk ? s
                         : AlgEncryptFinal(w.desCbcEncrypt, out, &outLength, 64, nullptr, nullptr);
     },
     kLengthOutOfRange},
    {"encrypt update with no room",
     [](World& w) {
         return AlgEncryptUpdate(w.desCbcEncrypt, out, &outLength, 7, out, 8, nullptr, nullptr);
     },
     kOutputTooSmall},
    {"DES-CBC with an IV of 7 bytes",
     [](World& w) {
         Item iv{const_cast<std::uint8_t*>(kIv), 7};
         return AlgSetInfo(w.empty, InfoDesCbc, &iv);
     },
     kBadParameters},
    // Key-pair generation (no generation kind is given to these objects).
    {"generate init on an empty object",
     [](World& w) { return AlgGenerateInit(w.empty, DefaultChooser, nullptr); }, kNoAlgorithmInfo},
    {"keypair with a non-key",
     [](World& w) { return AlgGenerateKeypair(w.sha1, w.FakeKey(), w.desKey, w.random, nullptr); },
     kBadKeyObject},
    {"keypair without random object",
     [](World& w) { return AlgGenerateKeypair(w.sha1, w.emptyKey, w.desKey, nullptr, nullptr); },
     kBadRandomObject},
    {"keypair on a digest object",
     [](World& w) { return AlgGenerateKeypair(w.sha1, w.emptyKey, w.desKey, w.random, nullptr); },
     kWrongAlgorithm},
    // Reporting infos.
    {"AlgGetInfo of a digest",
     [](World& w) {
         void* info;
         return AlgGetInfo(&info, w.sha1, InfoSha1);
     },
     kCannotReportInfo},
    {"AlgGetInfo of an empty object",
     [](World& w) {
         void* info;
         return AlgGetInfo(&info, w.empty, InfoDesCbc);
     },
     kNotSupported},
};

TEST(ObjectModel, ChecksBeforeDispatch) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        World world;
        EXPECT_EQ(c.run(world), c.expected);
    }
}

TEST(ObjectModel, FieldsOfALiveObject) {
    Alg alg;
    ASSERT_NE(alg.get(), nullptr);
    EXPECT_EQ(alg.get()->self, alg.get());
    EXPECT_EQ(alg.get()->typeMarker, &kAlgObjectMarker);
    EXPECT_EQ(alg.get()->flags, 0u);
    ASSERT_EQ(AlgSetInfo(alg, InfoSha1, nullptr), kOk);
    ASSERT_NE(alg.get()->handler, nullptr);
    EXPECT_EQ(alg.get()->handler->tag, kHandlerTag);
    EXPECT_EQ(alg.get()->infos.count, 1u);
    ASSERT_EQ(AlgDigestInit(alg, nullptr, DefaultChooser, nullptr), kOk);
    EXPECT_EQ(alg.get()->flags & kFlagInitialized, kFlagInitialized);
    Key key;
    EXPECT_EQ(key.get()->self, key.get());
    EXPECT_EQ(key.get()->typeMarker, &kKeyObjectMarker);
}

// An object built in its caller's storage works like one AlgCreate made, its small handler lives
// in the object, and destroying it wipes what it held (the digest state among it) but leaves the
// storage to the caller (a stack block here, which a free would break).
TEST(ObjectModel, AnObjectInCallerStorage) {
    AlgObject storage;
    std::memset(&storage, 0xA5, sizeof storage);
    AlgObject* object = nullptr;
    EXPECT_EQ(AlgCreateIn(&object, nullptr), kBadParameters);
    ASSERT_EQ(AlgCreateIn(&object, &storage), kOk);
    ASSERT_EQ(object, &storage);
    EXPECT_EQ(object->flags, kFlagCallerStorage);
    ASSERT_EQ(AlgSetInfo(object, InfoSha1, nullptr), kOk);
    EXPECT_EQ(static_cast<void*>(object->handler), static_cast<void*>(storage.handlerRoom));
    ASSERT_EQ(AlgDigestInit(object, nullptr, DefaultChooser, nullptr), kOk);
    EXPECT_EQ(object->flags, kFlagCallerStorage | kFlagInitialized);
    const std::uint8_t abc[3] = {'a', 'b', 'c'};
    ASSERT_EQ(AlgDigestUpdate(object, abc, 3, nullptr), kOk);
    std::uint8_t digest[20];
    std::uint32_t length = 0;
    ASSERT_EQ(AlgDigestFinal(object, digest, &length, 20, nullptr), kOk);
    ASSERT_EQ(length, 20u);
    EXPECT_EQ(digest[0], 0xA9);
    EXPECT_EQ(digest[19], 0x9D);
    ASSERT_EQ(AlgDigestUpdate(object, abc, 3, nullptr), kOk);
    const std::uint32_t handlerSize = object->handler->size;
    EXPECT_EQ(AlgDestroy(&object), kOk);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsAlgObject(&storage));
    for (std::uint32_t i = 0; i < handlerSize; ++i) {
        ASSERT_EQ(storage.handlerRoom[i], 0) << "handler byte " << i;
    }
}

TEST(ObjectModel, AHandlerWithAForeignTagIsRefused) {
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoSha1, nullptr), kOk);
    ASSERT_EQ(AlgDigestInit(alg, nullptr, DefaultChooser, nullptr), kOk);
    alg.get()->handler->tag ^= 1;
    EXPECT_EQ(AlgDigestUpdate(alg, kData, 4, nullptr), kWrongAlgorithm);
    EXPECT_EQ(AlgDigestInit(alg, nullptr, DefaultChooser, nullptr), kWrongAlgorithm);
    alg.get()->handler->tag ^= 1;
}

TEST(ObjectModel, DestroyNullAndNonObjects) {
    AlgObject* none = nullptr;
    EXPECT_EQ(AlgDestroy(&none), kOk);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(AlgDestroy(nullptr), kOk);
    KeyObject* noKey = nullptr;
    EXPECT_EQ(KeyDestroy(&noKey), kOk);
    EXPECT_EQ(noKey, nullptr);
    EXPECT_EQ(KeyDestroy(nullptr), kOk);

    // Stack memory: freeing it would be caught by the sanitizers.
    alignas(AlgObject) unsigned char fake[sizeof(AlgObject) + sizeof(KeyObject)];
    std::memset(fake, 0x5A, sizeof fake);
    AlgObject* notAnObject = reinterpret_cast<AlgObject*>(fake);
    EXPECT_EQ(AlgDestroy(&notAnObject), kOk);
    EXPECT_EQ(notAnObject, nullptr);
    KeyObject* notAKey = reinterpret_cast<KeyObject*>(fake);
    EXPECT_EQ(KeyDestroy(&notAKey), kOk);
    EXPECT_EQ(notAKey, nullptr);

    // A key object is not an algorithm object and the other way round.
    Key key;
    AlgObject* keyAsAlg = reinterpret_cast<AlgObject*>(key.get());
    EXPECT_EQ(AlgDestroy(&keyAsAlg), kOk);
    EXPECT_EQ(keyAsAlg, nullptr);
    void* form;
    EXPECT_EQ(quillon::test::SetDesKey(key, kDesKey), kOk);
    EXPECT_EQ(KeyGetInfo(&form, key, KeyInfoDes), kOk) << "the key survived";
}

TEST(ObjectModel, KeyGetInfoGivesTheSamePointerTwice) {
    Key key;
    ASSERT_EQ(quillon::test::SetDesKey(key, kDesKey), kOk);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(KeyGetInfo(&first, key, KeyInfoDes), kOk);
    ASSERT_EQ(KeyGetInfo(&second, key, KeyInfoDes), kOk);
    EXPECT_EQ(first, second);
    const auto* item = static_cast<const Item*>(first);
    ASSERT_EQ(item->length, 8u);
    EXPECT_EQ(std::memcmp(item->data, kDesKey, 8), 0);
    EXPECT_NE(item->data, kDesKey) << "the key keeps its own copy";
}

TEST(ObjectModel, KeySetInfoRefusesBadDesRecords) {
    Item sevenBytes{const_cast<std::uint8_t*>(kDesKey), 7};
    Item noBytes{nullptr, 8};
    struct {
        const char* name;
        const void* record;
        Status expected;
    } const cases[] = {
        {"no record", nullptr, kBadParameters},
        {"7 bytes", &sevenBytes, kLengthOutOfRange},
        {"no bytes", &noBytes, kBadParameters},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Key key;
        EXPECT_EQ(KeySetInfo(key, KeyInfoDes, c.record), c.expected);
        EXPECT_EQ(key.get()->infos.count, 0u) << "a refused key leaves the object empty";
        EXPECT_EQ(quillon::test::SetDesKey(key, kDesKey), kOk);
    }
}

TEST(ObjectModel, AlgGetInfoReportsTheStoredRecord) {
    Alg alg;
    Item iv{const_cast<std::uint8_t*>(kIv), 8};
    ASSERT_EQ(AlgSetInfo(alg, InfoDesCbc, &iv), kOk);
    void* info = nullptr;
    ASSERT_EQ(AlgGetInfo(&info, alg, InfoDesCbc), kOk);
    const auto* stored = static_cast<const Item*>(info);
    EXPECT_EQ(stored->length, 8u);
    EXPECT_EQ(std::memcmp(stored->data, kIv, 8), 0);
    EXPECT_EQ(AlgGetInfo(&info, alg, KeyInfoDes), kKeyInfoToAlgorithm);
}

TEST(ObjectModel, MemoryListGrowsByTenAndWipes) {
    MemoryList list{};
    void* blocks[11];
    for (int i = 0; i < 11; ++i) {
        blocks[i] = MemoryAllocate(list, 16);
        ASSERT_NE(blocks[i], nullptr);
        EXPECT_EQ(list.capacity, i < 10 ? 10u : 20u);
    }
    EXPECT_EQ(list.count, 11u);
    MemoryFree(list, blocks[3]);
    EXPECT_EQ(list.count, 10u);
    MemoryFree(list, blocks[3]);  // unknown now: ignored
    EXPECT_EQ(list.count, 10u);

    static int released = 0;
    int* counted = static_cast<int*>(std::malloc(sizeof(int)));
    ASSERT_TRUE(MemoryAdopt(list, counted, sizeof(int), [](void* block, std::uint32_t) {
        ++released;
        std::free(block);
    }));
    MemoryListRelease(list);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.entries, nullptr);
}

TEST(ObjectModel, AnObjectsListStartsInTheObjectAndGrowsByTen) {
    Alg alg;
    MemoryList& list = alg.get()->memory;
    EXPECT_EQ(list.capacity, 10u);
    EXPECT_EQ(list.entries, alg.get()->firstEntries);
    for (int i = 0; i < 21; ++i) ASSERT_NE(MemoryAllocate(list, 8), nullptr);
    EXPECT_EQ(list.capacity, 30u);
    EXPECT_NE(list.entries, alg.get()->firstEntries);
    // Destroying the object releases all 21 blocks and the grown array (the asan preset checks).
}

// The numbers reach the module's callers through the Diffie-Hellman and RSA exports unchanged.
TEST(ObjectModel, StatusNumbers) {
    const std::pair<Status, std::int32_t> table[] = {
        {kOk, 0},
        {kInfoAlreadySet, 0x200},
        {kBadParameters, 0x201},
        {kNotInitialized, 0x202},
        {kNoAlgorithmInfo, 0x203},
        {kBadAlgorithmObject, 0x204},
        {kWrongAlgorithm, 0x205},
        {kOutOfMemory, 0x206},
        {kCancelled, 0x207},
        {kMethodFailure, 0x208},
        {kEvenExponent, 0x209},
        {kExponentLength, 0x20A},
        {kDeviceFailure, 0x20B},
        {kDataMalformed, 0x20C},
        {kLengthOutOfRange, 0x20D},
        {kKeyAlreadySet, 0x20E},
        {kKeyFormUnavailable, 0x20F},
        {kUnassignedMethodStatus12, 0x210},
        {kKeyEmpty, 0x211},
        {kBadKeyObject, 0x212},
        {kKeyInfoToAlgorithm, 0x213},
        {kModulusLength, 0x215},
        {kUnassignedMethodStatus11, 0x216},
        {kNotSupported, 0x217},
        {kOutputTooSmall, 0x218},
        {kUnavailable, 0x219},
        {kBadRandomObject, 0x21B},
        {kCannotReportInfo, 0x21D},
        {kNotRsaKey, 0x21E},
        {kNoMethod, 0x221},
        {kUnassignedMethodStatus17, 0x223},
        {kNullData, 0x224},
        {kUnassignedMethodStatus19, 0x226},
        {kUnassignedMethodStatus20, 0x227},
    };
    for (const auto& [status, number] : table) EXPECT_EQ(ToExportStatus(status), number) << status;
}

TEST(ObjectModel, StatusTranslation) {
    const std::pair<std::uint32_t, Status> table[] = {
        {0, kOk},
        {1, kCancelled},
        {2, kMethodFailure},
        {3, kEvenExponent},
        {4, kExponentLength},
        {5, kDataMalformed},
        {6, kLengthOutOfRange},
        {7, kModulusLength},
        {8, kMethodFailure},
        {9, kNotSupported},
        {10, kOutputTooSmall},
        {11, kUnassignedMethodStatus11},
        {12, kUnassignedMethodStatus12},
        {13, kKeyFormUnavailable},
        {14, kMethodFailure},
        {15, kBadParameters},
        {16, kOutOfMemory},
        {17, kUnassignedMethodStatus17},
        {18, kDeviceFailure},
        {19, kUnassignedMethodStatus19},
        {20, kUnassignedMethodStatus20},
        {21, kMethodFailure},
        {1000, kMethodFailure},
        {0xFFFFFFFFu, kMethodFailure},
    };
    for (const auto& [methodStatus, toolkitStatus] : table) {
        EXPECT_EQ(TranslateMethodStatus(static_cast<MethodStatus>(methodStatus)), toolkitStatus)
            << methodStatus;
    }
}

}  // namespace
