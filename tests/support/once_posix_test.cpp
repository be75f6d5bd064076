#include <sys/resource.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/once.h"

namespace quillon::support {
namespace {

std::chrono::microseconds ThreadCpuTime() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Waiters behind a slow preparation sleep: over the 400 ms it takes, none of them uses more
// than a sliver of processor time (a yielding waiter would use as much as the scheduler gives
// it), and each returns with the preparation done.
TEST(Once, WaitersSleepWhileASlowPreparationRuns) {
    Once once;
    std::atomic<bool> started{false}, finished{false};
    std::thread preparer([&] {
        (void)once.Run([&] {
            started.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            finished.store(true);
            return true;
        });
    });
    while (!started.load()) std::this_thread::yield();

    constexpr int kWaiters = 4;
    std::atomic<int> sawFinished{0};
    std::vector<std::chrono::microseconds> used(kWaiters);
    std::vector<std::thread> waiters;
    for (int w = 0; w < kWaiters; ++w) {
        waiters.emplace_back([&, w] {
            const auto before = ThreadCpuTime();
            const bool prepared = once.Run([] { return false; });
            used[w] = ThreadCpuTime() - before;
            if (prepared && finished.load()) sawFinished.fetch_add(1);
        });
    }
    for (auto& waiter : waiters) waiter.join();
    preparer.join();
    EXPECT_EQ(sawFinished.load(), kWaiters);
    for (const auto cpu : used) EXPECT_LT(cpu.count(), 20000) << "microseconds of processor";
}

}  // namespace
}  // namespace quillon::support
