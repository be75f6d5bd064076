// The Windows 95 family's tool-help functions never exist on POSIX systems.
#include <gtest/gtest.h>

#include "platform/entropy.h"

namespace quillon::platform {
namespace {

void Fail(void*, const void*, std::uint32_t) {
    ADD_FAILURE() << "nothing may be fed";
}

TEST(ToolHelpTest, AbsentOnPosix) {
    EXPECT_FALSE(PollToolHelpSnapshot(Fail, nullptr));
}

}  // namespace
}  // namespace quillon::platform
