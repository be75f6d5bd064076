// The generator's first use, seen on a freshly loaded Quillon.dll. The DLL and this program
// share the system's C runtime, whose rand state belongs to the calling thread.
#include <gtest/gtest.h>

#include "common/dll_path_win32.h"
#include "common/module_calls.h"
#include "quillon.h"

namespace {

TEST(FreshModule, FirstGetBytesSeedsWithTheDefaultValue) {
    HMODULE module = LoadLibraryA(quillon::test::QuillonDllPath().c_str());
    ASSERT_NE(module, nullptr);
    quillon::test::ExpectFirstUseSeedsWithTheDefaultValue(reinterpret_cast<decltype(&RngGetBytes)>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(38)))));
    // Not unloaded: the generator lives until the process ends, and unloading would orphan it.
}

}  // namespace
