// The module random generator's exports.
#include "quillon.h"
#include "random/timing_jitter.h"

extern "C" QUILLON_API uint32_t QUILLON_CALL RngTimingJitter(void) {
    return quillon::random::SampleTimingJitter();
}
