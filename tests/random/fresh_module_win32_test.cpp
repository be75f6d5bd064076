// The generator's first use, seen on a freshly loaded Quillon.dll. The DLL and this program
// share the system's C runtime, whose rand state belongs to the calling thread.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/dll_path_win32.h"
#include "quillon.h"

namespace {

TEST(FreshModule, FirstGetBytesSeedsWithTheDefaultValue) {
    HMODULE module = LoadLibraryA(quillon::test::QuillonDllPath().c_str());
    ASSERT_NE(module, nullptr);
    auto getBytes = reinterpret_cast<decltype(&RngGetBytes)>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(38))));
    ASSERT_NE(getBytes, nullptr);
    uint8_t out[16] = {};
    EXPECT_EQ(getBytes(16, out), 0);
    // The reseed passed 0xF0F0F0F0 to the runtime's srand.
    const int afterFirstUse = std::rand();
    std::srand(0xF0F0F0F0);
    EXPECT_EQ(afterFirstUse, std::rand());
    // Not unloaded: the generator lives until the process ends, and unloading would orphan it.
}

}  // namespace
