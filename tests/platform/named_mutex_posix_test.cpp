// The named mutex on Linux: a lock between processes that leaves nothing on disk, reads no
// environment, and is freed by the kernel when its holder closes it or dies.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "platform/locks.h"
#include "quillon.h"

namespace quillon::platform {
namespace {

// A name of this test process's own: abstract names are shared by every process of the machine,
// other runs of these tests included.
std::string OwnName(const char* base) {
    return std::string(base) + "-" + std::to_string(getpid());
}

// True when /proc/net/unix lists a socket bound under the abstract name.
bool NameIsBound(const std::string& name) {
    std::ifstream table("/proc/net/unix");
    std::string line;
    while (std::getline(table, line)) {
        if (line.size() > name.size() + 1 &&
            line.compare(line.size() - name.size() - 1, std::string::npos, "@" + name) == 0) {
            return true;
        }
    }
    return false;
}

// True when a byte arrives on fd within the time.
bool ByteArrives(int fd, int milliseconds) {
    pollfd watch = {fd, POLLIN, 0};
    if (poll(&watch, 1, milliseconds) != 1) return false;
    char byte;
    return read(fd, &byte, 1) == 1;
}

// A child process that, once told to go, acquires name, reports it through a pipe, then
// releases it (or dies holding it). It is forked before the parent holds anything: a forked copy
// of the holder's socket would hold the name as well.
struct Child {
    pid_t pid = -1;
    int go = -1;        // write end: one byte starts the child
    int acquired = -1;  // read end: one byte once the child holds the mutex

    Child(const char* name, bool dieHolding) {
        int start[2], report[2];
        EXPECT_EQ(pipe(start), 0);
        EXPECT_EQ(pipe(report), 0);
        pid = fork();
        if (pid == 0) {
            close(start[1]);
            close(report[0]);
            char byte;
            if (read(start[0], &byte, 1) != 1) _exit(1);
            const NamedMutex mutex = AcquireNamedMutex(name);
            byte = mutex.handle >= 0 ? 'y' : 'n';
            (void)!write(report[1], &byte, 1);
            if (!dieHolding) ReleaseNamedMutex(mutex);
            _exit(0);
        }
        close(start[0]);
        close(report[1]);
        go = start[1];
        acquired = report[0];
    }
    void Go() const { EXPECT_EQ(write(go, "g", 1), 1); }
    ~Child() {
        close(go);
        int status = 0;
        if (pid > 0) waitpid(pid, &status, 0);
        close(acquired);
    }
};

// Acquires name on another thread; false when that did not happen within five seconds (the
// thread is then left waiting).
bool AcquiresPromptly(const char* name) {
    auto attempt = std::async(std::launch::async, [name] {
        const NamedMutex mutex = AcquireNamedMutex(name);
        ReleaseNamedMutex(mutex);
        return mutex.handle >= 0;
    });
    if (attempt.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        new auto(std::move(attempt));  // must not block in the future's destructor
        return false;
    }
    return attempt.get();
}

TEST(NamedMutexPosix, HeldOnlyWhileTheSocketLives) {
    const std::string own = OwnName("QuillonTestMutexName");
    const char* name = own.c_str();
    EXPECT_FALSE(NameIsBound(name));
    const NamedMutex held = AcquireNamedMutex(name);
    ASSERT_GE(held.handle, 0);
    EXPECT_TRUE(NameIsBound(name));
    ReleaseNamedMutex(held);
    EXPECT_FALSE(NameIsBound(name));
}

TEST(NamedMutexPosix, ExcludesAnotherProcess) {
    const std::string own = OwnName("QuillonTestMutexProcesses");
    const char* name = own.c_str();
    Child child(name, false);
    const NamedMutex held = AcquireNamedMutex(name);
    ASSERT_GE(held.handle, 0);
    child.Go();
    EXPECT_FALSE(ByteArrives(child.acquired, 200)) << "the child got the mutex while held";
    ReleaseNamedMutex(held);
    EXPECT_TRUE(ByteArrives(child.acquired, 10000));
}

TEST(NamedMutexPosix, FreedWhenTheHolderDies) {
    const std::string own = OwnName("QuillonTestMutexDeadHolder");
    const char* name = own.c_str();
    {
        Child child(name, true);
        child.Go();
        ASSERT_TRUE(ByteArrives(child.acquired, 10000));
    }
    EXPECT_TRUE(AcquiresPromptly(name));
}

// The device exports open the device under the mutex on every call here (no driver): with a
// fresh TMPDIR, nothing appears in it.
TEST(NamedMutexPosix, DeviceCallsLeaveNothingOnDisk) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("quillon-mutex-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(directory);
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("TMPDIR", directory.c_str(), 1);
    uint32_t value = 0;
    EXPECT_EQ(IsdGetRandomNumber(&value), 0xFFFFu);
    EXPECT_EQ(IsdTestRandomGenerator(), 0xFFFFu);
    EXPECT_EQ(IsdGetCapability(5, &value), 0xFFFFu);
    EXPECT_EQ(IsdGetStatistic(1, &value), 0xFFFFu);
    ReleaseNamedMutex(AcquireNamedMutex("IPIInitMutex"));
    if (saved != nullptr) {
        setenv("TMPDIR", previous.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace quillon::platform
