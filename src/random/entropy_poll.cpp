#include "random/entropy_poll.h"

#include <cstring>

#include "support/secure_wipe.h"

namespace quillon::random {

void PollEntropy(const std::uint8_t (&seedRing)[8], std::uint32_t callerValue,
                 platform::PollSink sink, void* context) {
    sink(context, seedRing, 8);
    std::uint8_t value[4];
    std::memcpy(value, &callerValue, 4);
    sink(context, value, 4);
    platform::PollSystemState(sink, context);
    std::uint8_t osRandom[kOsRandomItemLength];
    if (platform::OsRandomBytes(osRandom, sizeof osRandom))
        sink(context, osRandom, sizeof osRandom);
    support::SecureWipe(osRandom, sizeof osRandom);
}

}  // namespace quillon::random
