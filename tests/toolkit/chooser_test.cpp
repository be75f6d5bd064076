// Method selection: the DefaultChooser's order, and the walk's rules on choosers made here.
#include <gtest/gtest.h>

#include <cstring>

#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "toolkit/methods/methods.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Key;

TEST(DefaultChooser, NineteenMethodsInOrder) {
    struct Entry {
        InfoType kind;
        std::uint32_t direction;
        InfoType keyForm;
    } const expected[19] = {
        {InfoSha1, 0, nullptr},
        {InfoMd5, 0, nullptr},
        {InfoRandomFips186, 0, nullptr},
        {InfoRandomMultiStream, 0, nullptr},
        {InfoBlockChaining, 1, nullptr},
        {InfoBlockChaining, 0, nullptr},
        {InfoTripleChaining, 1, nullptr},
        {InfoTripleChaining, 0, nullptr},
        {InfoDes, 1, KeyInfoDes},
        {InfoDes, 0, KeyInfoDes},
        {InfoAuxiliaryA, 0, nullptr},
        {InfoAuxiliaryB, 0, nullptr},
        {InfoDhParamGen, 0, nullptr},
        {InfoDhKeyAgree, 0, nullptr},
        {InfoRsaMultiPrimeKeyGen, 0, nullptr},
        {InfoRsaRawPublic, 1, KeyInfoRsaPublic},
        {InfoRsaRawPrivate, 1, KeyInfoRsaPrivateCrt},
        {InfoRsaRawPublic, 0, KeyInfoRsaPublic},
        {InfoRsaRawPrivate, 0, KeyInfoRsaPrivateCrt},
    };
    for (int i = 0; i < 19; ++i) {
        SCOPED_TRACE(i + 1);
        ASSERT_NE(DefaultChooser[i], nullptr);
        EXPECT_EQ(KindOf(DefaultChooser[i]->kind).descriptor, KindOf(expected[i].kind).descriptor);
        EXPECT_EQ(DefaultChooser[i]->direction, expected[i].direction);
        EXPECT_EQ(DefaultChooser[i]->keyForm, expected[i].keyForm);
        EXPECT_NE(DefaultChooser[i]->primitives, nullptr);
    }
    EXPECT_EQ(DefaultChooser[19], nullptr);
    // Every kind is distinct from every other.
    const void* kinds[] = {
        KindOf(InfoSha1).descriptor,          KindOf(InfoMd5).descriptor,
        KindOf(InfoRandomFips186).descriptor, KindOf(InfoRandomMultiStream).descriptor,
        KindOf(InfoBlockChaining).descriptor, KindOf(InfoTripleChaining).descriptor,
        KindOf(InfoDes).descriptor,           KindOf(InfoAuxiliaryA).descriptor,
        KindOf(InfoAuxiliaryB).descriptor,    KindOf(InfoDhParamGen).descriptor,
        KindOf(InfoDhKeyAgree).descriptor,    KindOf(InfoRsaMultiPrimeKeyGen).descriptor,
        KindOf(InfoRsaRawPublic).descriptor,  KindOf(InfoRsaRawPrivate).descriptor,
        KindOf(InfoDesCbc).descriptor,        KindOf(KeyInfoDes).descriptor,
        KindOf(KeyInfoRsaPublic).descriptor,  KindOf(KeyInfoRsaPrivateCrt).descriptor};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        for (std::size_t j = i + 1; j < std::size(kinds); ++j) EXPECT_NE(kinds[i], kinds[j]);
    }
}

// Digest methods that write a fixed byte, so a test sees which one was chosen.
template <std::uint8_t kMark>
const methods::DigestPrimitives kMarkedDigest = {
    1, 20, [](void*) {}, [](void*, const std::uint8_t*, std::size_t) {},
    [](void*, std::uint8_t* out) { std::memset(out, kMark, 20); }};

const Method kMarkA = {InfoSha1, 0, nullptr, &kMarkedDigest<0xAA>};
const Method kMarkB = {InfoSha1, 0, nullptr, &kMarkedDigest<0xBB>};
const Method kMarkEncryptSide = {InfoSha1, 1, nullptr, &kMarkedDigest<0xEE>};
const Method kMarkMd5 = {InfoMd5, 0, nullptr, &kMarkedDigest<0x55>};
const Method kMarkNeedsRsa = {InfoSha1, 0, KeyInfoRsaPublic, &kMarkedDigest<0x12>};
const Method kMarkNeedsDes = {InfoSha1, 0, KeyInfoDes, &kMarkedDigest<0xDE>};

// A key form whose get answers what the test wants.
Status testFormStatus = kOk;
const KeyInfoDescriptor kTestForm = {
    [](const KeyInfoDescriptor*, KeyObject*, const void*) { return kNotSupported; },
    [](const KeyInfoDescriptor*, KeyObject*, void**) { return testFormStatus; }};
std::int32_t KeyInfoTestForm(const void** descriptor) {
    *descriptor = &kTestForm;
    return kKeyInfoCode;
}
const Method kMarkNeedsTestForm = {InfoSha1, 0, KeyInfoTestForm, &kMarkedDigest<0x7F>};

// Initialises a SHA-1 object with the chooser and key; returns the status and the mark written.
std::pair<Status, int> Choose(Chooser chooser, KeyObject* key) {
    Alg alg;
    EXPECT_EQ(AlgSetInfo(alg, InfoSha1, nullptr), kOk);
    const Status status = AlgDigestInit(alg, key, chooser, nullptr);
    if (status != kOk) {
        EXPECT_EQ(alg.get()->flags & kFlagInitialized, 0u) << "not initialised after a failure";
        return {status, -1};
    }
    std::uint8_t out[20] = {};
    std::uint32_t length = 0;
    EXPECT_EQ(AlgDigestFinal(alg, out, &length, 20, nullptr), kOk);
    return {status, out[0]};
}

TEST(Chooser, SelectionRules) {
    Key desKey;
    const std::uint8_t desBytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(quillon::test::SetDesKey(desKey, desBytes), kOk);
    Key emptyKey;

    const Method* const firstWins[] = {&kMarkMd5, &kMarkA, &kMarkB, nullptr};
    const Method* const directionSkipped[] = {&kMarkEncryptSide, &kMarkB, nullptr};
    const Method* const keyFormMissing[] = {&kMarkNeedsRsa, &kMarkB, nullptr};
    const Method* const onlyKeyFormMissing[] = {&kMarkNeedsRsa, nullptr};
    const Method* const keyFormPresent[] = {&kMarkNeedsDes, &kMarkB, nullptr};
    const Method* const nothingFits[] = {&kMarkMd5, &kMarkEncryptSide, nullptr};
    const Method* const empty[] = {nullptr};
    const Method* const lastTriedCounts[] = {&kMarkNeedsRsa, &kMarkNeedsDes, nullptr};

    struct Case {
        const char* name;
        Chooser chooser;
        KeyObject* key;
        Status status;
        int mark;
    } const cases[] = {
        {"first matching method wins", firstWins, nullptr, kOk, 0xAA},
        {"other direction is skipped", directionSkipped, nullptr, kOk, 0xBB},
        {"key cannot give the form: next method", keyFormMissing, desKey, kOk, 0xBB},
        {"key cannot give the form: its status", onlyKeyFormMissing, desKey, kKeyFormUnavailable,
         -1},
        {"no key where one is needed", onlyKeyFormMissing, nullptr, kBadKeyObject, -1},
        {"an empty key where one is needed", onlyKeyFormMissing, emptyKey, kKeyEmpty, -1},
        {"key gives the form", keyFormPresent, desKey, kOk, 0xDE},
        {"status of the last method tried", lastTriedCounts, nullptr, kBadKeyObject, -1},
        {"no method of the kind", nothingFits, nullptr, kNoMethod, -1},
        {"empty chooser", empty, nullptr, kNoMethod, -1},
        {"no chooser", nullptr, nullptr, kNoMethod, -1},
        {"the DefaultChooser's SHA-1", DefaultChooser, nullptr, kOk, 0xDA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [status, mark] = Choose(c.chooser, c.key);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(mark, c.mark);
    }
}

TEST(Chooser, KeyFailuresThatStopTheWalk) {
    Key desKey;
    const std::uint8_t desBytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(quillon::test::SetDesKey(desKey, desBytes), kOk);
    const Method* const chooser[] = {&kMarkNeedsTestForm, &kMarkB, nullptr};
    struct Case {
        Status formStatus;
        Status status;
        int mark;
    } const cases[] = {
        {kOutOfMemory, kOutOfMemory, -1},
        {kDeviceFailure, kDeviceFailure, -1},
        {kCancelled, kCancelled, -1},
        {kKeyFormUnavailable, kOk, 0xBB},
        {kMethodFailure, kOk, 0xBB},
        {kDataMalformed, kOk, 0xBB},
        {kOk, kOk, 0x7F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formStatus);
        testFormStatus = c.formStatus;
        const auto [status, mark] = Choose(chooser, desKey);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(mark, c.mark);
    }
    testFormStatus = kOk;
}

// A DES block method of a block length DES-CBC cannot use: its bind fails with 0x217, which makes
// the method unusable without ending the walk.
const methods::BlockCipherPrimitives kSixteenByteBlocks = {16, 8, 1, nullptr, nullptr};
const Method kWideCipher = {InfoDes, kEncryptSide, KeyInfoDes, &kSixteenByteBlocks};

TEST(Chooser, BindFailuresAndSlotsOfTwoMethods) {
    Key desKey;
    const std::uint8_t desBytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(quillon::test::SetDesKey(desKey, desBytes), kOk);
    const std::uint8_t ivBytes[8] = {};
    Item iv{const_cast<std::uint8_t*>(ivBytes), 8};

    const Method* const wideThenDes[] = {&kWideCipher, &methods::kDesEncryptMethod,
                                         &methods::kBlockChainingEncryptMethod, nullptr};
    const Method* const onlyWide[] = {&kWideCipher, &methods::kBlockChainingEncryptMethod, nullptr};
    const Method* const noChaining[] = {&methods::kDesEncryptMethod, nullptr};
    const Method* const tripleOnly[] = {&methods::kDesEncryptMethod,
                                        &methods::kTripleChainingEncryptMethod, nullptr};
    struct Case {
        const char* name;
        Chooser chooser;
        Status status;
    } const cases[] = {
        {"an unusable method is passed over", wideThenDes, kOk},
        {"its bind status when nothing else fits", onlyWide, kNotSupported},
        {"a second slot without method", noChaining, kNoMethod},
        {"a chaining method of another kind", tripleOnly, kNoMethod},
        {"DefaultChooser", DefaultChooser, kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Alg alg;
        ASSERT_EQ(AlgSetInfo(alg, InfoDesCbc, &iv), kOk);
        EXPECT_EQ(AlgEncryptInit(alg, desKey, c.chooser, nullptr), c.status);
    }
}

}  // namespace
