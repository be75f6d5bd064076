#include <cstdint>

#include "constant_time/checked_paths.h"
#include "toolkit/toolkit.h"

namespace quillon::constant_time_check {

void CheckSeededGenerator() {
    using namespace quillon::toolkit;
    AlgObject* random = nullptr;
    std::uint8_t seed[80] = {};
    for (unsigned i = 0; i < sizeof seed; ++i) seed[i] = static_cast<std::uint8_t>(i * 151 + 7);
    MarkSecret(seed, sizeof seed);
    std::uint8_t out[400];
    // The statuses depend on no secret; a failure would leave the path unexercised, which the
    // tests of the generator catch.
    if (AlgCreate(&random) == kOk && AlgSetInfo(random, InfoRandomMultiStream, nullptr) == kOk &&
        AlgRandomInit(random, DefaultChooser, nullptr) == kOk &&
        AlgRandomUpdate(random, seed, sizeof seed, nullptr) == kOk) {
        (void)AlgGenerateRandomBytes(random, out, sizeof out, nullptr);
    }
    AlgDestroy(&random);
}

}  // namespace quillon::constant_time_check
