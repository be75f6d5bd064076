#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

// Plain (non-atomic) updates stay exact only when the lock really excludes; the thread sanitizer
// checks the same run for races.
TEST(ProcessLock, ExcludesOtherThreads) {
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&counter] {
            for (int i = 0; i < 20000; ++i) {
                ProcessLockGuard guard(ProcessLock::kRawRsaKeyFileCache);
                counter = counter + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, 80000);
}

}  // namespace
}  // namespace quillon::platform
