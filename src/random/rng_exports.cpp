// Ordinals 1, 2, 3, 38, 50-53: the module random generator.
#include "quillon.h"
#include "random/module_generator.h"
#include "random/timing_jitter.h"
#include "toolkit/status.h"

using namespace quillon;

extern "C" QUILLON_API int32_t QUILLON_CALL RngRandom15(void) {
    return random::Random15();
}

extern "C" QUILLON_API int32_t QUILLON_CALL RngInitialize(uint32_t seed) {
    return toolkit::ToExportStatus(random::Reseed(seed));
}

extern "C" QUILLON_API uint32_t QUILLON_CALL RngTimingJitter(void) {
    return random::SampleTimingJitter();
}

extern "C" QUILLON_API int32_t QUILLON_CALL RngGetBytes(int32_t length, uint8_t* out) {
    return random::GenerateBytes(length, out);
}

extern "C" QUILLON_API void QUILLON_CALL RngSetAuxBlock(uint32_t flag, const uint8_t* block) {
    random::SetAuxBlock(flag, block);
}

extern "C" QUILLON_API void QUILLON_CALL RngSetKeys(const uint8_t* keyA, const uint8_t* keyB) {
    random::SetKeys(keyA, keyB);
}

extern "C" QUILLON_API void QUILLON_CALL RngAddSeed(const uint8_t* data, uint32_t length) {
    random::AddSeed(data, length);
}

extern "C" QUILLON_API void QUILLON_CALL RngReset(void) {
    random::ResetSeedRing();
}
