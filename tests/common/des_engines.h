// Runs a test suite once on each DES engine: the parameter makes that engine serve the whole
// process for the test, and the engine that served before is restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "cipher/des_modes.h"

namespace quillon::test {

class DesEngineTest : public testing::TestWithParam<cipher::DesEngineKind> {
  protected:
    void SetUp() override {
        previous_ = cipher::DesServingEngine();
        if (!cipher::DesServeWithEngine(GetParam())) GTEST_SKIP() << "the processor lacks it";
    }
    void TearDown() override { (void)cipher::DesServeWithEngine(previous_); }

  private:
    cipher::DesEngineKind previous_ = cipher::DesEngineKind::kPortable;
};

inline const auto kDesEngines =
    testing::Values(cipher::DesEngineKind::kPortable, cipher::DesEngineKind::kShuffles);

inline std::string DesEngineName(const testing::TestParamInfo<cipher::DesEngineKind>& info) {
    return info.param == cipher::DesEngineKind::kShuffles ? "Shuffles" : "Portable";
}

}  // namespace quillon::test
