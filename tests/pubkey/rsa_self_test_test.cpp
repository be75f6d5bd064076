// The two RSA tests of the power-up self-tests, and what they do when memory runs out.
#include "pubkey/rsa_self_test.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/allocation_failure.h"
#include "pubkey/rsa_signature_self_test.h"

namespace quillon::pubkey {
namespace {

TEST(RsaSelfTests, PassOnACorrectModule) {
    EXPECT_EQ(RsaSignatureSelfTest(), 1);
    EXPECT_EQ(RsaSelfTest(), 1);
    EXPECT_EQ(RsaSignatureSelfTest(), 1);
}

// Every allocation the signature test makes is needed: failing any one fails the test.
TEST(RsaSelfTests, SignatureTestFailsWhenAnyAllocationFails) {
    std::vector<int> verdicts;
    const int count =
        test::ForEachAllocationFailure([&](int) { verdicts.push_back(RsaSignatureSelfTest()); });
    ASSERT_EQ(verdicts.size(), static_cast<std::size_t>(count) + 1);
    for (int n = 0; n < count; ++n) EXPECT_EQ(verdicts[n], 0) << n + 1;
    EXPECT_EQ(verdicts.back(), 1);
}

// The key-pair test either fails or, where the failed allocation was one it could do without
// (the random object of a private-key signature), passes; it never crashes or leaks.
TEST(RsaSelfTests, KeyPairTestUnderAllocationFailures) {
    int failed = 0;
    test::ForEachAllocationFailure([&](int) {
        const int verdict = RsaSelfTest();
        EXPECT_TRUE(verdict == 0 || verdict == 1);
        failed += verdict == 0;
    });
    EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace quillon::pubkey
