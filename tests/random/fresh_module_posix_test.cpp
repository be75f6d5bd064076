// The generator's first use, seen on a freshly loaded copy of the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "quillon.h"

namespace {

TEST(FreshModule, FirstGetBytesSeedsWithTheDefaultValue) {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto getBytes = reinterpret_cast<decltype(&RngGetBytes)>(dlsym(library, "RngGetBytes"));
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
