#include "profile/profile_key_derivation.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "common/allocation_failure.h"
#include "common/profile_writer.h"
#include "common/status_printer.h"

namespace quillon::profile {
namespace {

using test::Bytes;

// Key and vector against OpenSSL's SHA-1 over the same input: the subkeys must be those of
// CastInit with the expected key, the initial vector the expected one.
TEST(ProfileDeriveKey, MatchesIteratedSha1) {
    const std::string text = "pass phrase and saltMAC";
    const Bytes input(text.begin(), text.end());
    struct Case {
        std::int32_t keyBits, hashCount;
    } const kCases[] = {{40, 1},   {64, 3},  {80, 2}, {88, 1}, {128, 1}, {128, 0},
                        {128, 17}, {160, 2}, {0, 1},  {36, 1}, {136, 4}, {44, 2}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.keyBits << " bits, " << c.hashCount << " rounds");
        CastContext* context = ProfileDeriveKey(
            input.data(), static_cast<std::uint32_t>(input.size()), c.hashCount, c.keyBits);
        ASSERT_NE(context, nullptr);
        const auto [key, iv] = test::DerivedKeyAndIv(input, c.hashCount, c.keyBits);
        EXPECT_EQ(test::ToHex(context->initialVector, 8), test::ToHex(iv));
        const bool accepted = c.keyBits >= 40 && c.keyBits <= 128 && c.keyBits % 8 == 0;
        EXPECT_EQ(std::memcmp(context->marker, kCastMarker, 16) == 0, accepted);
        EXPECT_EQ(context->keyBits, c.keyBits);
        CastContext expected{};
        if (accepted) {
            ASSERT_EQ(CastInit(expected, key.data(), static_cast<std::uint32_t>(c.keyBits)),
                      CastStatus::kOk);
        }
        EXPECT_EQ(std::memcmp(context->subkeys, expected.subkeys, sizeof expected.subkeys), 0);
        ProfileReleaseKey(context);
    }
}

// Counts or lengths no profile may ask for give a context that refuses all work, made without
// a single digest: no billions of rounds, nothing read past the 20-byte key block.
TEST(ProfileDeriveKey, OutOfRangeParametersGiveAContextThatRefusesWork) {
    const std::uint8_t input[4] = {1, 2, 3, 4};
    struct Case {
        std::int32_t keyBits, hashCount;
    } const kCases[] = {{128, -1}, {128, 1000001}, {128, INT32_MIN}, {128, INT32_MAX},
                        {-8, 1},   {168, 1},       {INT32_MIN, 1},   {INT32_MAX, 1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.keyBits << " bits, " << c.hashCount << " rounds");
        (void)support::CountAllocations();
        CastContext* context = ProfileDeriveKey(input, 4, c.hashCount, c.keyBits);
        EXPECT_EQ(support::CountAllocations(), 1) << "the context only";
        ASSERT_NE(context, nullptr);
        const CastContext zero{};
        EXPECT_EQ(std::memcmp(context, &zero, sizeof zero), 0);
        std::uint8_t block[8] = {}, out[16];
        std::uint32_t length = 8;
        EXPECT_EQ(CastCbcDecryptUpdate(*context, block, out, length), CastStatus::kNoKey);
        ProfileReleaseKey(context);
    }
}

// Any allocation failing, the context's or a digest object's, gives null and leaves nothing.
TEST(ProfileDeriveKey, OutOfMemoryGivesNull) {
    const std::uint8_t input[3] = {'M', 'A', 'C'};
    (void)support::CountAllocations();
    ProfileReleaseKey(ProfileDeriveKey(input, 3, 3, 128));
    const int allocations = support::CountAllocations();
    EXPECT_GT(allocations, 6) << "a context and six digest objects";
    const int made = test::ForEachAllocationFailure([&](int failing) {
        SCOPED_TRACE(failing);
        CastContext* context = ProfileDeriveKey(input, 3, 3, 128);
        EXPECT_EQ(context == nullptr, failing <= allocations);
        ProfileReleaseKey(context);
    });
    EXPECT_EQ(made, allocations);
}

}  // namespace
}  // namespace quillon::profile
