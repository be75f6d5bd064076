// How the provider seeds its random object: from a hardware random device when one answers,
// else from the state of the system, which a refresh feeds again later.
#pragma once

#include "toolkit/toolkit.h"

namespace quillon::toolkit::provider {

// The hardware path: a chooser of the hardware method alone; unless its session is
// "SoftwareOnly" (kCertNoDevice: no device), a hardware random object gives 128 bytes to random.
// Any other failure is returned as it is.
[[nodiscard]] Status SeedFromHardwareDevice(AlgObject* random, const SurrenderContext* surrender);

// The system-state path by platform family: the tool-help walk of the Windows 95 family or the
// process items of the NT family; kCertGeneralFailure for any other platform, an unknown one or
// missing tool-help functions; else the status of feeding random.
[[nodiscard]] Status SeedFromSystemState(AlgObject* random, const SurrenderContext* surrender);

// Feeds the fresh values of a seed refresh to random.
[[nodiscard]] Status RefreshSystemSeed(AlgObject* random, const SurrenderContext* surrender);

}  // namespace quillon::toolkit::provider
