#include "frame/module_entry.h"
#include "platform/module.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon::frame {
namespace {

constexpr unsigned long kProcessDetach = 0, kThreadAttach = 2, kThreadDetach = 3;

TEST(ModuleEntry, OnlyTheFirstProcessAttachPreparesTheReference) {
    std::vector<std::uint8_t> code(4096, 0x90);
    ModuleState state;
    for (const unsigned long reason : {kThreadAttach, kThreadDetach, kProcessDetach}) {
        HandleLoaderCall(state, reason, {code.data(), code.size()});
        EXPECT_EQ(state.attachCount, 0u);
        EXPECT_FALSE(state.integrity.prepared);
    }
    HandleLoaderCall(state, platform::kProcessAttach, {code.data(), code.size()});
    EXPECT_EQ(state.attachCount, 1u);
    EXPECT_TRUE(IntegrityHolds(state.integrity));

    // A later attach counts but does not take a new reference: a change made since stays seen.
    code[100] = 0xCC;
    HandleLoaderCall(state, platform::kProcessAttach, {code.data(), code.size()});
    EXPECT_EQ(state.attachCount, 2u);
    EXPECT_FALSE(IntegrityHolds(state.integrity));
}

TEST(ModuleEntry, ANewlyLoadedModulePreparesAgain) {
    std::vector<std::uint8_t> code(512, 0x42);
    for (int load = 0; load < 2; ++load) {
        ModuleState fresh;  // what a reload starts from
        HandleLoaderCall(fresh, platform::kProcessAttach, {code.data(), code.size()});
        EXPECT_TRUE(fresh.integrity.prepared);
        EXPECT_TRUE(IntegrityHolds(fresh.integrity));
        HandleLoaderCall(fresh, kProcessDetach, {});
        EXPECT_TRUE(IntegrityHolds(fresh.integrity)) << "detach releases nothing";
    }
}

TEST(ModuleEntry, AlwaysReturnsTrue) {
    for (const unsigned long reason : {kThreadAttach, kThreadDetach, kProcessDetach}) {
        EXPECT_EQ(platform::ModuleEntry(reason), 1);
    }
}

TEST(ModuleEntry, RealCodeRangeIsFoundAndHolds) {
    const platform::CodeRange code = platform::ModuleCodeRange();
    ASSERT_NE(code.begin, nullptr);
    ASSERT_GT(code.size, 0u);
    const auto* self = reinterpret_cast<const std::uint8_t*>(&platform::ModuleCodeRange);
    EXPECT_GE(self, code.begin);
    EXPECT_LT(self, code.begin + code.size);
    const IntegrityReference reference = MakeIntegrityReference({code.begin, code.size});
    EXPECT_TRUE(IntegrityHolds(reference));
}

}  // namespace
}  // namespace quillon::frame
