#include "random/module_generator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "fakes/fine_clock_fake.h"
#include "fakes/tick_counter_fake.h"
#include "quillon.h"
#include "random/cpu_jitter.h"
#include "support/checked_alloc.h"

namespace quillon::random {
namespace {

TEST(ModuleGenerator, GetBytesArgumentRules) {
    std::uint8_t buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(RngGetBytes(0, buffer), 1);
    EXPECT_EQ(RngGetBytes(-5, buffer), 1);
    for (const std::uint8_t byte : buffer) EXPECT_EQ(byte, 0xEE);
    EXPECT_EQ(RngGetBytes(16, nullptr), 1);
    EXPECT_EQ(RngGetBytes(16, buffer), 0);
    EXPECT_TRUE(InspectGeneratorForTesting().hasRandomObject);
}

TEST(ModuleGenerator, EachCallGivesFreshBytes) {
    std::uint8_t first[32], second[32];
    ASSERT_EQ(RngGetBytes(32, first), 0);
    ASSERT_EQ(RngGetBytes(32, second), 0);
    EXPECT_NE(0, std::memcmp(first, second, 32));
    ASSERT_EQ(RngInitialize(7), 0);
    ASSERT_EQ(RngGetBytes(1, first), 0);
}

TEST(ModuleGenerator, SeedRingLayoutAfterTwentyBytes) {
    RngReset();
    const std::uint8_t key[8] = {};
    RngSetKeys(key, key);
    std::uint8_t data[20];
    for (int i = 0; i < 20; ++i) data[i] = static_cast<std::uint8_t>(i);
    RngAddSeed(data, 20);
    const GeneratorView view = InspectGeneratorForTesting();
    const std::uint8_t expected[8] = {16, 17, 18, 19, 12, 13, 14, 15};
    EXPECT_EQ(0, std::memcmp(view.seedRing, expected, 8));
    EXPECT_EQ(view.ringPosition, 4u);
    // Pieces continue from the kept position and wrap.
    RngAddSeed(data, 5);
    EXPECT_EQ(InspectGeneratorForTesting().ringPosition, 1u);
    EXPECT_EQ(InspectGeneratorForTesting().seedRing[4], 0);
    EXPECT_EQ(InspectGeneratorForTesting().seedRing[0], 4);
    RngAddSeed(data, 0);
    EXPECT_EQ(InspectGeneratorForTesting().ringPosition, 1u);
}

TEST(ModuleGenerator, AddSeedDoesNothingUntilKeyedAgain) {
    RngReset();
    const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    RngAddSeed(data, 8);
    GeneratorView view = InspectGeneratorForTesting();
    EXPECT_EQ(view.keyed, 0u);
    for (const std::uint8_t byte : view.seedRing) EXPECT_EQ(byte, 0);
    // Any reseed installs the default keys and leaves the digest's tail in the ring.
    (void)RngInitialize(1);
    view = InspectGeneratorForTesting();
    EXPECT_EQ(view.keyed, 1u);
    EXPECT_EQ(view.ringPosition, 4u);
}

TEST(ModuleGenerator, Random15StaysInRange) {
    int seenHighBit = 0;
    for (int i = 0; i < 200; ++i) {
        const int32_t value = RngRandom15();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        seenHighBit |= value & 0x4000;
    }
    EXPECT_NE(seenHighBit, 0);
}

TEST(ModuleGenerator, AuxBlockKeepsTheGeneratorWorking) {
    const std::uint8_t block[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    RngSetAuxBlock(1, block);
    RngSetAuxBlock(0, nullptr);  // a zero flag does not read the block
    std::uint8_t out[4];
    EXPECT_EQ(RngGetBytes(4, out), 0);
}

// A null pointer where bytes are to be copied makes the call do nothing.
TEST(ModuleGenerator, NullBytesAreRefusedWithoutEffect) {
    RngReset();
    const std::uint8_t key[8] = {};
    RngSetKeys(nullptr, key);
    RngSetKeys(key, nullptr);
    EXPECT_EQ(InspectGeneratorForTesting().keyed, 0u);
    RngSetKeys(key, key);
    RngAddSeed(nullptr, 8);
    const GeneratorView view = InspectGeneratorForTesting();
    EXPECT_EQ(view.keyed, 1u);
    EXPECT_EQ(view.ringPosition, 0u);
    for (const std::uint8_t byte : view.seedRing) EXPECT_EQ(byte, 0);
    RngSetAuxBlock(1, nullptr);
    std::uint8_t out[4];
    EXPECT_EQ(RngGetBytes(4, out), 0);
}

// Two objects made back to back give different bytes, and each one's seeding ran a whole reseed:
// one system poll and a processor-jitter sample, with no wait for the tick counter.
TEST(SeededRandomObject, BackToBackObjectsDifferAndEachReseedPolls) {
    test::ResetFakeTicks();
    test::ResetFakeFineClock();
    const std::uint32_t polls = InspectGeneratorForTesting().polls;
    toolkit::AlgObject *first = nullptr, *second = nullptr;
    MakeSeededRandomObject(&first);
    MakeSeededRandomObject(&second);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    std::uint8_t a[40], b[40];
    ASSERT_EQ(toolkit::AlgGenerateRandomBytes(first, a, 40, nullptr), toolkit::kOk);
    ASSERT_EQ(toolkit::AlgGenerateRandomBytes(second, b, 40, nullptr), toolkit::kOk);
    EXPECT_NE(0, std::memcmp(a, b, 40));
    EXPECT_EQ(InspectGeneratorForTesting().polls, polls + 2);
    // Each jitter sample reads the fine clock once per piece and once before (the poll reads it
    // too).
    EXPECT_GE(test::FakeFine().readings, 2 * (1 + 32 * kCpuJitterPiecesPerBit));
    EXPECT_EQ(test::FakeTicks().readings, 0);
    EXPECT_EQ(test::FakeTicks().yields, 0);
    (void)toolkit::AlgDestroy(&first);
    (void)toolkit::AlgDestroy(&second);
}

// What a multi-stream object draws first when nothing seeded it.
std::vector<std::uint8_t> UnseededDraw() {
    toolkit::AlgObject* object = nullptr;
    std::vector<std::uint8_t> out(20);
    EXPECT_EQ(toolkit::AlgCreate(&object), toolkit::kOk);
    EXPECT_EQ(toolkit::AlgSetInfo(object, toolkit::InfoRandomMultiStream, nullptr), toolkit::kOk);
    EXPECT_EQ(toolkit::AlgRandomInit(object, toolkit::DefaultChooser, nullptr), toolkit::kOk);
    EXPECT_EQ(toolkit::AlgGenerateRandomBytes(object, out.data(), 20, nullptr), toolkit::kOk);
    (void)toolkit::AlgDestroy(&object);
    return out;
}

TEST(SeededRandomObject, OutOfMemoryNeverLeavesAnUnseededObject) {
    test::ResetFakeTicks();
    const std::vector<std::uint8_t> unseeded = UnseededDraw();
    test::ForEachAllocationFailure([&](int failing) {
        toolkit::AlgObject* object = nullptr;
        MakeSeededRandomObject(&object);
        if (object == nullptr) return;
        // Whatever failed, a draw gives bytes from the 80-byte seed or fails; a failed draw
        // leaves the seed to the next one.
        std::vector<std::uint8_t> out(20);
        if (toolkit::AlgGenerateRandomBytes(object, out.data(), 20, nullptr) != toolkit::kOk) {
            ASSERT_EQ(toolkit::AlgGenerateRandomBytes(object, out.data(), 20, nullptr),
                      toolkit::kOk)
                << failing;
        }
        EXPECT_NE(out, unseeded) << failing;
        (void)toolkit::AlgDestroy(&object);
    });
}

// The object seeds itself at its first draw, with the whole reseed (the jitter sample, the system
// poll into the seed ring) then and only then: an object never drawn from, or an operation that
// never draws (a PKCS #1 type-1 signature), leaves the generator alone.
TEST(SeededRandomObject, SeedsItselfAtItsFirstDraw) {
    ASSERT_EQ(RngInitialize(5), 0);
    const auto same = [](const GeneratorView& a, const GeneratorView& b) {
        return a.ringPosition == b.ringPosition && std::memcmp(a.seedRing, b.seedRing, 8) == 0;
    };
    const GeneratorView before = InspectGeneratorForTesting();
    toolkit::AlgObject* object = nullptr;
    MakeSeededRandomObject(&object);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(InspectGeneratorForTesting().polls, before.polls);
    EXPECT_TRUE(same(InspectGeneratorForTesting(), before));

    std::uint8_t out[20];
    ASSERT_EQ(toolkit::AlgGenerateRandomBytes(object, out, 20, nullptr), toolkit::kOk);
    const GeneratorView seeded = InspectGeneratorForTesting();
    EXPECT_EQ(seeded.polls, before.polls + 1);
    EXPECT_FALSE(same(seeded, before));
    ASSERT_EQ(toolkit::AlgGenerateRandomBytes(object, out, 20, nullptr), toolkit::kOk);
    EXPECT_EQ(InspectGeneratorForTesting().polls, seeded.polls);
    EXPECT_TRUE(same(InspectGeneratorForTesting(), seeded));
    (void)toolkit::AlgDestroy(&object);

    // Through the exports: a signature draws nothing, a Diffie-Hellman key pair draws.
    const test::OpensslRsaKey& rsa = test::OpensslKey(1024);
    KeyHandle* key = nullptr;
    ASSERT_EQ(
        RsaCreatePrivateKey(&key, rsa.pkcs8.data(), static_cast<std::uint32_t>(rsa.pkcs8.size())),
        0);
    const GeneratorView beforeSignature = InspectGeneratorForTesting();
    std::vector<std::uint8_t> block(20, 7), signature(rsa.size());
    std::uint32_t capacity = rsa.size();
    ASSERT_EQ(RsaEncrypt(key, block.data(), 20, signature.data(), &capacity), 0);
    RsaDestroyKey(&key);
    EXPECT_EQ(InspectGeneratorForTesting().polls, beforeSignature.polls);
    EXPECT_TRUE(same(InspectGeneratorForTesting(), beforeSignature));

    const DhKeyAgreeParams* group = nullptr;
    ASSERT_EQ(DhGetGroup(&group, 1), 0);
    Item* value = nullptr;
    DhKeyPair* pair = nullptr;
    ASSERT_EQ(DhGenerateKeyPair(&value, &pair, group), 0);
    DhFreeBuffer(&value);
    DhDestroyKeyPair(&pair);
    EXPECT_EQ(InspectGeneratorForTesting().polls, beforeSignature.polls + 1);
    EXPECT_FALSE(same(InspectGeneratorForTesting(), beforeSignature));
}

TEST(ModuleGenerator, ReseedSurvivesEveryAllocationFailure) {
    test::ForEachAllocationFailure([](int) {
        (void)RngInitialize(3);
        std::uint8_t out[8];
        (void)RngGetBytes(8, out);
    });
    std::uint8_t out[8];
    EXPECT_EQ(RngGetBytes(8, out), 0);
}

// A reseed whose SHA-1 cannot be made still seeds the random object, but writes nothing into the
// seed ring. With the random object in place, the digest's allocations are a reseed's first.
TEST(ModuleGenerator, ReseedWithoutItsDigestLeavesTheRingAlone) {
    (void)RngInitialize(3);
    (void)support::CountAllocations();
    DigestHandle* digest = nullptr;
    Sha1Create(&digest);
    const int digestAllocations = support::CountAllocations();
    std::uint8_t out[20];
    Sha1Final(out, &digest);
    ASSERT_GE(digestAllocations, 1);

    test::AllocationHookGuard guard;
    for (int failing = 1; failing <= digestAllocations; ++failing) {
        SCOPED_TRACE(failing);
        RngReset();
        support::FailNthAllocation(failing);
        EXPECT_EQ(RngInitialize(3), 0);
        support::FailNthAllocation(0);
        const GeneratorView view = InspectGeneratorForTesting();
        EXPECT_EQ(view.ringPosition, 0u);
        for (const std::uint8_t byte : view.seedRing) EXPECT_EQ(byte, 0);
    }
    RngReset();
    (void)RngInitialize(3);
    EXPECT_EQ(InspectGeneratorForTesting().ringPosition, 4u);
}

// Several threads generating, reseeding, seeding and resetting at once (run under the tsan
// preset as well).
TEST(ModuleGenerator, ConcurrentUse) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const std::uint8_t key[8] = {static_cast<std::uint8_t>(t)};
            for (int i = 0; i < 30; ++i) {
                std::uint8_t out[24];
                if (RngGetBytes(24, out) != 0) ++failures;
                switch ((t + i) % 5) {
                    case 0:
                        (void)RngInitialize(static_cast<uint32_t>(i));
                        break;
                    case 1:
                        RngAddSeed(out, 11);
                        break;
                    case 2:
                        RngSetKeys(key, key);
                        break;
                    case 3:
                        RngSetAuxBlock(1, key);
                        break;
                    default:
                        (void)RngRandom15();
                        break;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace quillon::random
