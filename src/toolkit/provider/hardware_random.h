// The hardware random kind and its one method, the token method "HW_RANDOM" over the ISD device:
// opening tests the generator, initialising asks capability 5, generating takes one 32-bit
// device number per 4 bytes. Device failures are kDeviceFailure, with the device's message recorded
// in the session.
#pragma once

#include <cstdint>

#include "toolkit/provider/token_chooser.h"

namespace quillon::toolkit::provider {

// A random kind served only by the hardware method (record: none). An object of this kind must
// not outlive the chooser it was initialised with, whose session it uses.
std::int32_t InfoRandomHardware(const void** descriptor);

extern const Method kHardwareRandomMethod;
extern const TokenMethod kHardwareRandomToken;

// The message the session recorded with its last device failure, or null.
[[nodiscard]] const char* HardwareRandomLastError(const void* session);

}  // namespace quillon::toolkit::provider
