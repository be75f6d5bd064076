// Replaces the platform's process-state polls: fixed items of the real lengths, counted.
#include <cstdint>

#include "fakes/provider_platform_fake.h"
#include "platform/entropy.h"

namespace quillon::platform {
namespace {

void Feed(PollSink sink, void* context, std::uint32_t length) {
    static const std::uint8_t kBytes[548] = {7};
    test::Fake().itemLengths.push_back(length);
    sink(context, kBytes, length);
}

}  // namespace

void PollProcessState(PollSink sink, void* context) {
    ++test::Fake().processStatePolls;
    for (std::uint32_t length : {68, 4, 4, 32, 32}) Feed(sink, context, length);
}

bool PollToolHelpSnapshot(PollSink sink, void* context) {
    ++test::Fake().toolHelpPolls;
    if (!test::Fake().toolHelpAvailable) return false;
    for (std::uint32_t length : {548, 296, 28, 16, 36}) Feed(sink, context, length);
    return true;
}

void PollSeedRefresh(PollSink sink, void* context) {
    ++test::Fake().refreshPolls;
    for (std::uint32_t length : {4, 4, 8, 4, 4, 8, 4, 16, 4, 4, 4, 4, 4, 8, 32, 8, 32, 32}) {
        Feed(sink, context, length);
    }
}

}  // namespace quillon::platform
