// The tick counter and processor yield of the jitter sampler.
#include <windows.h>

#include "platform/timing.h"

namespace quillon::platform {

std::uint32_t TickCount() {
    return GetTickCount();
}

void YieldTimeSlice() {
    Sleep(0);
}

}  // namespace quillon::platform
