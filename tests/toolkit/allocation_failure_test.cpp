// Out of memory in create, set-info and init: each allocation of each sequence fails in turn.
// The sequence must report 0x206 (and a failed create a null handle), and nothing may leak (the
// asan preset checks that).
#include <gtest/gtest.h>

#include <functional>

#include "common/allocation_failure.h"
#include "common/status_printer.h"
#include "toolkit/methods/key_agree_primitives.h"
#include "toolkit/random_params.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

const std::uint8_t kBytes[64] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

// Runs the steps in order until one fails; returns that status (0 when all pass).
Status Sequence(std::initializer_list<std::function<Status()>> steps) {
    for (const auto& step : steps) {
        if (const Status status = step(); status != kOk) return status;
    }
    return kOk;
}

struct Case {
    const char* name;
    Status whenAllocationsSucceed;
    std::function<Status(AlgObject*&, KeyObject*&)> run;
};

const Case kCases[] = {
    {"SHA-1 digest", kOk,
     [](AlgObject*& o, KeyObject*&) {
         return Sequence({[&] { return AlgCreate(&o); },
                          [&] { return AlgSetInfo(o, InfoSha1, nullptr); },
                          [&] { return AlgDigestInit(o, nullptr, DefaultChooser, nullptr); }});
     }},
    {"MD5 digest", kOk,
     [](AlgObject*& o, KeyObject*&) {
         return Sequence({[&] { return AlgCreate(&o); },
                          [&] { return AlgSetInfo(o, InfoMd5, nullptr); },
                          [&] { return AlgDigestInit(o, nullptr, DefaultChooser, nullptr); }});
     }},
    {"FIPS 186 generator with seed key and seed", kOk,
     [](AlgObject*& o, KeyObject*&) {
         static const RandomFips186Params parameters{{const_cast<std::uint8_t*>(kBytes), 9},
                                                     {const_cast<std::uint8_t*>(kBytes), 32}};
         return Sequence({[&] { return AlgCreate(&o); },
                          [&] { return AlgSetInfo(o, InfoRandomFips186, &parameters); },
                          [&] { return AlgRandomInit(o, DefaultChooser, nullptr); }});
     }},
    {"multi-stream generator", kOk,
     [](AlgObject*& o, KeyObject*&) {
         static const RandomMultiStreamParams parameters{3};
         return Sequence({[&] { return AlgCreate(&o); },
                          [&] { return AlgSetInfo(o, InfoRandomMultiStream, &parameters); },
                          [&] { return AlgRandomInit(o, DefaultChooser, nullptr); }});
     }},
    {"DES-CBC with a DES key", kOk,
     [](AlgObject*& o, KeyObject*& k) {
         static const Item key{const_cast<std::uint8_t*>(kBytes), 8};
         static const Item iv{const_cast<std::uint8_t*>(kBytes), 8};
         return Sequence(
             {[&] { return KeyCreate(&k); }, [&] { return KeySetInfo(k, KeyInfoDes, &key); },
              [&] { return AlgCreate(&o); }, [&] { return AlgSetInfo(o, InfoDesCbc, &iv); },
              [&] { return AlgDecryptInit(o, k, DefaultChooser, nullptr); }});
     }},
    {"Diffie-Hellman key agreement", kOk,
     [](AlgObject*& o, KeyObject*&) {
         static const DhKeyAgreeParams parameters{const_cast<std::uint8_t*>(kBytes + 1), 16,
                                                  const_cast<std::uint8_t*>(kBytes + 1), 1, 64};
         return Sequence({[&] { return AlgCreate(&o); },
                          [&] { return AlgSetInfo(o, InfoDhKeyAgree, &parameters); },
                          [&] { return AlgDigestInit(o, nullptr, DefaultChooser, nullptr); }});
     }},
};

TEST(ToolkitAllocationFailure, CreateSetInfoAndInit) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        int allocations = 0;
        {
            AlgObject* object = nullptr;
            KeyObject* key = nullptr;
            (void)quillon::support::CountAllocations();
            EXPECT_EQ(c.run(object, key), c.whenAllocationsSucceed);
            allocations = quillon::support::CountAllocations();
            AlgDestroy(&object);
            KeyDestroy(&key);
        }
        const int made = quillon::test::ForEachAllocationFailure([&](int failing) {
            AlgObject* object = nullptr;
            KeyObject* key = nullptr;
            const Status status = c.run(object, key);
            quillon::support::FailNthAllocation(0);
            if (failing <= allocations) {
                EXPECT_EQ(status, kOutOfMemory) << "allocation " << failing;
            } else {
                EXPECT_EQ(status, c.whenAllocationsSucceed);
            }
            AlgDestroy(&object);
            KeyDestroy(&key);
            EXPECT_EQ(object, nullptr);
            EXPECT_EQ(key, nullptr);
        });
        EXPECT_EQ(made, allocations);
    }
}

TEST(ToolkitAllocationFailure, CreateWritesNull) {
    quillon::test::AllocationHookGuard guard;
    AlgObject* object = reinterpret_cast<AlgObject*>(1);
    quillon::support::FailNthAllocation(1);
    EXPECT_EQ(AlgCreate(&object), kOutOfMemory);
    EXPECT_EQ(object, nullptr);
    KeyObject* key = reinterpret_cast<KeyObject*>(1);
    quillon::support::FailNthAllocation(1);
    EXPECT_EQ(KeyCreate(&key), kOutOfMemory);
    EXPECT_EQ(key, nullptr);
}

TEST(ToolkitAllocationFailure, KeyGetInfoOfABuiltForm) {
    // A form built on request is added to the key's info list; when that fails, 0x206 and the
    // next request starts again.
    static const KeyInfoDescriptor kBuilt = {
        [](const KeyInfoDescriptor* kind, KeyObject* key, const void*) {
            return InfoListAdd(key->memory, key->infos, kind, nullptr);
        },
        [](const KeyInfoDescriptor*, KeyObject* key, void** form) {
            *form = MemoryAllocate(key->memory, 4);
            return *form != nullptr ? kOk : kOutOfMemory;
        }};
    // Two kinds sharing one descriptor table but different identities.
    static const KeyInfoDescriptor kOther = kBuilt;
    const InfoType stored = [](const void** d) -> std::int32_t {
        *d = &kBuilt;
        return kKeyInfoCode;
    };
    const InfoType built = [](const void** d) -> std::int32_t {
        *d = &kOther;
        return kKeyInfoCode;
    };
    quillon::test::ForEachAllocationFailure([&](int) {
        KeyObject* key = nullptr;
        if (KeyCreate(&key) != kOk || KeySetInfo(key, stored, nullptr) != kOk) {
            KeyDestroy(&key);
            return;
        }
        void* first = nullptr;
        const Status status = KeyGetInfo(&first, key, built);
        quillon::support::FailNthAllocation(0);
        EXPECT_TRUE(status == kOk || status == kOutOfMemory);
        void* again = nullptr;
        ASSERT_EQ(KeyGetInfo(&again, key, built), kOk);
        if (status == kOk) {
            EXPECT_EQ(again, first);
        }
        void* third = nullptr;
        ASSERT_EQ(KeyGetInfo(&third, key, built), kOk);
        EXPECT_EQ(third, again);
        KeyDestroy(&key);
    });
}

}  // namespace
