// The named mutex on Windows is a kernel object that other processes find by its name, and
// releasing it closes the module's handle.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/locks.h"

namespace quillon::platform {
namespace {

// Opens the named mutex as another process would; true when it already existed.
bool ExistsAlready(const char* name) {
    HANDLE other = CreateMutexA(nullptr, FALSE, name);
    const DWORD error = GetLastError();
    EXPECT_NE(other, nullptr);
    if (other != nullptr) CloseHandle(other);
    return error == ERROR_ALREADY_EXISTS;
}

TEST(NamedMutexWin32, ASecondCreateFindsTheHeldMutex) {
    const char* name = "IPIInitMutex";
    NamedMutex held = AcquireNamedMutex(name);
    ASSERT_NE(held.handle, -1);
    EXPECT_TRUE(ExistsAlready(name));
    ReleaseNamedMutex(held);
    // The module held the only handle: after release the name is gone.
    EXPECT_FALSE(ExistsAlready(name));
}

}  // namespace
}  // namespace quillon::platform
