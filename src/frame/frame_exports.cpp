// The frame's export: the power-up self-tests (ordinal 100).
#include "frame/self_test.h"
#include "quillon.h"

extern "C" QUILLON_API int32_t QUILLON_CALL SelfTest() {
    return quillon::frame::RunSelfTests(quillon::frame::kPowerUpSelfTests);
}
