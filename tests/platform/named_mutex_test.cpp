#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/locks.h"
#include "platform/os_version.h"

namespace quillon::platform {
namespace {

TEST(NamedMutex, ExcludesAnotherHolderUntilReleased) {
    const char* name = "QuillonTestMutex";
    NamedMutex first = AcquireNamedMutex(name);
    ASSERT_NE(first.handle, -1);
    std::atomic<bool> secondHolds{false};
    std::thread other([&] {
        NamedMutex second = AcquireNamedMutex(name);
        secondHolds = true;
        ReleaseNamedMutex(second);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(secondHolds.load());
    ReleaseNamedMutex(first);
    other.join();
    EXPECT_TRUE(secondHolds.load());
}

TEST(OsVersion, ReportsTheNtFamily) {
    OsVersion version;
    ASSERT_TRUE(QueryOsVersion(version));
    EXPECT_EQ(version.platformId, 2u);
}

}  // namespace
}  // namespace quillon::platform
