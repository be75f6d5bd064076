// Runs a test suite once on each AES engine: the parameter makes that engine serve the whole
// process for the test (the slower engines run through this switch on processors that have
// faster ones), and the engine that served before is restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "cipher/aes_modes.h"

namespace quillon::test {

class AesEngineTest : public testing::TestWithParam<cipher::AesEngineKind> {
  protected:
    void SetUp() override {
        previous_ = cipher::AesServingEngine();
        if (!cipher::AesServeWithEngine(GetParam())) GTEST_SKIP() << "the processor lacks it";
    }
    void TearDown() override { (void)cipher::AesServeWithEngine(previous_); }

  private:
    cipher::AesEngineKind previous_ = cipher::AesEngineKind::kPortable;
};

inline const auto kAesEngines = testing::Values(
    cipher::AesEngineKind::kPortable, cipher::AesEngineKind::kVectorPermute,
    cipher::AesEngineKind::kInstructions, cipher::AesEngineKind::kVectorInstructions);

inline std::string AesEngineName(const testing::TestParamInfo<cipher::AesEngineKind>& info) {
    switch (info.param) {
        case cipher::AesEngineKind::kPortable:
            return "Portable";
        case cipher::AesEngineKind::kVectorPermute:
            return "VectorPermute";
        case cipher::AesEngineKind::kInstructions:
            return "Instructions";
        case cipher::AesEngineKind::kVectorInstructions:
            return "VectorInstructions";
    }
    return "Unknown";
}

}  // namespace quillon::test
