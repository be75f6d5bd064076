// Runs a test suite once on each DES engine: the parameter makes that engine serve the whole
// process for the test, and the engine that served before is restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "des/des_engine.h"

namespace quillon::test {

class DesEngineTest : public testing::TestWithParam<des::EngineKind> {
  protected:
    void SetUp() override {
        previous_ = des::ServingEngine();
        if (!des::ServeWithEngine(GetParam())) GTEST_SKIP() << "the processor lacks it";
    }
    void TearDown() override { (void)des::ServeWithEngine(previous_); }

  private:
    des::EngineKind previous_ = des::EngineKind::kPortable;
};

inline const auto kDesEngines =
    testing::Values(des::EngineKind::kPortable, des::EngineKind::kShuffles);

inline std::string DesEngineName(const testing::TestParamInfo<des::EngineKind>& info) {
    return info.param == des::EngineKind::kShuffles ? "Shuffles" : "Portable";
}

}  // namespace quillon::test
