#include "keyagree/dh_groups.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "common/allocation_failure.h"
#include "common/vector_file.h"
#include "quillon.h"
#include "support/checked_alloc.h"

namespace quillon::keyagree {
namespace {

using test::Bytes;
using test::ToHex;

Bytes BytesOf(const Item& item) {
    return Bytes(item.data, item.data + item.length);
}

Bytes OpenSslPrime(BIGNUM* (*get)(BIGNUM*)) {
    BIGNUM* prime = get(nullptr);
    Bytes bytes(static_cast<size_t>(BN_num_bytes(prime)));
    BN_bn2bin(prime, bytes.data());
    BN_free(prime);
    return bytes;
}

struct GroupCase {
    uint32_t group;
    uint32_t primeLength;
    const char* vectorName;
    BIGNUM* (*openSslPrime)(BIGNUM*);
} const kGroups[] = {
    {1, 96, "RFC2409_6_1_prime", BN_get_rfc2409_prime_768},
    {2, 128, "RFC2409_6_2_prime", BN_get_rfc2409_prime_1024},
    {5, 192, "RFC3526_2_prime", BN_get_rfc3526_prime_1536},
};

TEST(DhGroups, RecordsHoldTheRfcPrimes) {
    const test::VectorFile vectors("modp.txt");
    for (const GroupCase& c : kGroups) {
        SCOPED_TRACE(c.group);
        const DhKeyAgreeParams* params = nullptr;
        ASSERT_EQ(DhGetGroup(&params, c.group), 0);
        ASSERT_NE(params, nullptr);
        EXPECT_EQ(params->primeLength, c.primeLength);
        const Bytes prime = BytesOf({params->prime, params->primeLength});
        EXPECT_EQ(ToHex(prime), ToHex(vectors.Get(std::string(c.vectorName) + "_hex")));
        EXPECT_EQ(ToHex(prime), ToHex(OpenSslPrime(c.openSslPrime)));
        const std::string name(c.vectorName);
        EXPECT_EQ(BytesOf({params->generator, params->generatorLength}),
                  vectors.Get(name.substr(0, name.find("_prime")) + "_generator"));
        EXPECT_EQ(params->privateValueBits, 256u);

        const DhKeyAgreeParams* again = nullptr;
        ASSERT_EQ(DhGetGroup(&again, c.group), 0);
        EXPECT_EQ(again, params);
    }
}

// The record read field by field, and read as two Items {pointer, 32-bit length} followed by the
// bit count (which on a 64-bit target puts the count past the second Item's padding): both
// readings give the same values.
TEST(DhGroups, RecordReadsAlikeFieldByFieldAndAsItems) {
    struct AsItems {
        Item prime;
        Item generator;
        uint32_t privateValueBits;
    };
    static_assert(offsetof(DhKeyAgreeParams, primeLength) == sizeof(void*));
    static_assert(offsetof(DhKeyAgreeParams, generator) == 2 * sizeof(void*));
    for (const GroupCase& c : kGroups) {
        SCOPED_TRACE(c.group);
        const DhKeyAgreeParams* params = nullptr;
        ASSERT_EQ(DhGetGroup(&params, c.group), 0);
        const auto* items = reinterpret_cast<const AsItems*>(params);
        EXPECT_EQ(items->prime.data, params->prime);
        EXPECT_EQ(items->prime.length, c.primeLength);
        EXPECT_EQ(items->generator.data, params->generator);
        EXPECT_EQ(items->generator.length, 1u);
        EXPECT_EQ(items->privateValueBits, 256u);
        EXPECT_EQ(params->privateValueBits, 256u);
    }
}

// The texts are kept as the RFCs print them: single spaces between groups of eight digits.
TEST(DhGroups, TextsAreInPrintedForm) {
    const test::VectorFile vectors("modp.txt");
    ASSERT_EQ(std::size(kDhGroupTexts), std::size(kGroups));
    for (size_t i = 0; i < std::size(kGroups); ++i) {
        SCOPED_TRACE(kGroups[i].group);
        EXPECT_EQ(kDhGroupTexts[i].group, kGroups[i].group);
        const Bytes printed = vectors.Get(kGroups[i].vectorName);
        std::string text(kDhGroupTexts[i].text);
        if (kGroups[i].group == 5) {
            ASSERT_EQ(text.back(), ' ');
            text.pop_back();
        }
        EXPECT_EQ(text, std::string(printed.begin(), printed.end()));
    }
}

TEST(DhGroups, UnknownGroupsGiveMinusThreeAndNull) {
    for (const uint32_t group : {0u, 3u, 4u, 6u, 14u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(group);
        const DhKeyAgreeParams* params = reinterpret_cast<const DhKeyAgreeParams*>(0x1234);
        EXPECT_EQ(DhGetGroup(&params, group), -3);
        EXPECT_EQ(params, nullptr);
    }
    EXPECT_EQ(DhGetGroup(nullptr, 1), -1);
}

TEST(DhGroups, ParseHexParameterAcceptsOnlyWholeUpperCasePairs) {
    struct Case {
        const char* text;
        uint32_t bits;
        const char* expected;  // null: refused
    } const cases[] = {
        {"0102 0A0B", 32, "01020A0B"},
        {"  \t0102\n0A\r\n0B  ", 32, "01020A0B"},
        {"FFFFFFFF 01", 33, "FFFFFFFF01"},
        {"01020a0b", 32, nullptr},       // lower case
        {"0102 0A0", 32, nullptr},       // a pair short
        {"0102 0A 0B 0C", 32, nullptr},  // a pair too many
        {"0102 0 A0B", 32, nullptr},     // space inside a pair
        {"0102 0G0B", 32, nullptr},      // not a digit
        {"0102-0A0B", 32, nullptr},      // separator that is not white space
        {"", 8, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DhKeyAgreeParams record{};
        const bool parsed = ParseHexParameter(record, c.text, c.bits);
        EXPECT_EQ(parsed, c.expected != nullptr);
        if (parsed) {
            EXPECT_EQ(ToHex(BytesOf({record.prime, record.primeLength})), c.expected);
            EXPECT_EQ(BytesOf({record.generator, record.generatorLength}), Bytes{2});
            EXPECT_EQ(record.privateValueBits, 256u);
        } else {
            EXPECT_EQ(record.prime, nullptr);
            EXPECT_EQ(record.primeLength, 0u);
            EXPECT_EQ(record.generator, nullptr);
        }
        ReleaseHexParameter(record);
    }
}

TEST(DhGroups, ParseHexParameterOutOfMemoryLeavesTheRecordEmpty) {
    const int made = test::ForEachAllocationFailure([](int) {
        DhKeyAgreeParams record{};
        if (ParseHexParameter(record, kOakleyGroup1Text, 768)) {
            EXPECT_EQ(record.primeLength, 96u);
        } else {
            EXPECT_EQ(record.prime, nullptr);
            EXPECT_EQ(record.generator, nullptr);
        }
        ReleaseHexParameter(record);
    });
    EXPECT_EQ(made, 2);
}

// A table whose preparation ran out of memory keeps nothing and prepares again on the next
// lookup.
TEST(DhGroups, FailedPreparationIsRetried) {
    DhGroupTable table;
    const int made = test::ForEachAllocationFailure([&](int) {
        const DhKeyAgreeParams* params = reinterpret_cast<const DhKeyAgreeParams*>(0x1234);
        const int32_t status = table.Find(2, &params);
        if (status == 0) {
            EXPECT_EQ(params->primeLength, 128u);
            table.Release();
        } else {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(params, nullptr);
        }
    });
    EXPECT_EQ(made, 6);

    const DhKeyAgreeParams* params = nullptr;
    test::AllocationHookGuard guard;
    support::FailNthAllocation(4);
    EXPECT_EQ(table.Find(5, &params), -1);
    EXPECT_EQ(table.Find(5, &params), 0);
    ASSERT_NE(params, nullptr);
    EXPECT_EQ(params->primeLength, 192u);
    // Prepared once: later lookups allocate nothing.
    (void)support::CountAllocations();
    EXPECT_EQ(table.Find(1, &params), 0);
    EXPECT_EQ(support::CountAllocations(), 0);
    table.Release();
}

TEST(DhGroups, ConcurrentFirstLookupsPrepareOnce) {
    DhGroupTable table;
    constexpr int kThreads = 8;
    std::atomic<int> waiting{kThreads};
    std::vector<const DhKeyAgreeParams*> found(kThreads);
    std::vector<int32_t> statuses(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0) std::this_thread::yield();
            statuses[i] = table.Find(5, &found[i]);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(statuses[i], 0);
        EXPECT_EQ(found[i], found[0]);
    }
    ASSERT_NE(found[0], nullptr);
    EXPECT_EQ(found[0]->prime[191], 0xFF);
    table.Release();
}

TEST(DhFreeBuffer, FreesTheValueAndEmptiesTheCaller) {
    auto* item = static_cast<Item*>(support::Allocate(sizeof(Item)));
    ASSERT_NE(item, nullptr);
    item->data = static_cast<uint8_t*>(support::Allocate(96));
    ASSERT_NE(item->data, nullptr);
    item->length = 96;
    EXPECT_EQ(DhFreeBuffer(&item), 0);
    EXPECT_EQ(item, nullptr);

    auto* empty = static_cast<Item*>(support::AllocateZeroed(sizeof(Item)));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(DhFreeBuffer(&empty), 0);
    EXPECT_EQ(empty, nullptr);
}

TEST(DhFreeBuffer, EmptyHandlesAreAccepted) {
    Item* none = nullptr;
    EXPECT_EQ(DhFreeBuffer(&none), 0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(DhFreeBuffer(nullptr), 0);
}

}  // namespace
}  // namespace quillon::keyagree
