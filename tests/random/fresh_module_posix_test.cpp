// The generator's first use, seen on a freshly loaded copy of the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "common/module_calls.h"
#include "quillon.h"

namespace {

TEST(FreshModule, FirstGetBytesSeedsWithTheDefaultValue) {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    quillon::test::ExpectFirstUseSeedsWithTheDefaultValue(
        reinterpret_cast<decltype(&RngGetBytes)>(dlsym(library, "RngGetBytes")));
    // Not unloaded: the generator lives until the process ends, and unloading would orphan it.
}

}  // namespace
