#include "support/once.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quillon::support {
namespace {

TEST(Once, PreparesOnceAndAnswersAfterwardsWithoutRunning) {
    Once once;
    int runs = 0;
    const auto prepare = [&] {
        ++runs;
        return true;
    };
    EXPECT_FALSE(once.Prepared());
    EXPECT_TRUE(once.Run(prepare));
    EXPECT_TRUE(once.Run(prepare));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(once.Prepared());
    once.Reset();
    EXPECT_FALSE(once.Prepared());
    EXPECT_TRUE(once.Run(prepare));
    EXPECT_EQ(runs, 2);
}

// A failed run leaves nothing prepared: each call tries again until one succeeds.
TEST(Once, FailedRunsAreTriedAgain) {
    struct Case {
        int failuresBeforeSuccess;
    } const kCases[] = {{0}, {1}, {3}};
    for (const auto& c : kCases) {
        Once once;
        int runs = 0;
        const auto prepare = [&] { return ++runs > c.failuresBeforeSuccess; };
        for (int i = 0; i < c.failuresBeforeSuccess; ++i) EXPECT_FALSE(once.Run(prepare));
        EXPECT_TRUE(once.Run(prepare));
        EXPECT_TRUE(once.Run(prepare));
        EXPECT_EQ(runs, c.failuresBeforeSuccess + 1);
    }
}

// Threads racing for it: one prepares, the others return only once that has finished, so all
// see what it made. A first run that fails is taken over by a waiting thread.
TEST(Once, RacingThreadsSeeOnePreparation) {
    for (const bool firstRunFails : {false, true}) {
        Once once;
        std::atomic<int> runs{0};
        int prepared = 0;  // written by the preparation alone, read after Run
        std::atomic<bool> go{false};
        std::atomic<int> sawPrepared{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&] {
                while (!go.load()) std::this_thread::yield();
                const bool ok = once.Run([&] {
                    const int run = runs.fetch_add(1) + 1;
                    std::this_thread::yield();
                    if (firstRunFails && run == 1) return false;
                    prepared = 42;
                    return true;
                });
                if (ok && prepared == 42) sawPrepared.fetch_add(1);
            });
        }
        go.store(true);
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(runs.load(), firstRunFails ? 2 : 1);
        // The thread whose run failed reports the failure; every other one the preparation.
        EXPECT_EQ(sawPrepared.load(), firstRunFails ? 7 : 8);
    }
}

}  // namespace
}  // namespace quillon::support
