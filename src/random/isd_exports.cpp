// Ordinals 37, 56, 57, 58 (also exported by name): the hardware random device.
#include "device/isd_device.h"
#include "quillon.h"

using namespace quillon::device;

// The numbers quillon.h promises to the device's callers.
static_assert(ToExportStatus(kIsdOk) == ISD_EOK &&
              ToExportStatus(kIsdNotAvailable) == ISD_ENOTAVAIL &&
              ToExportStatus(kIsdDisabled) == ISD_EDISABLED &&
              ToExportStatus(kIsdInput) == ISD_EINPUT &&
              ToExportStatus(kIsdTestFailed) == ISD_ETESTFAIL &&
              ToExportStatus(kIsdUnknown) == ISD_EUNKNOWN);

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetCapability(uint32_t index, uint32_t* value) {
    return ToExportStatus(TheIsdDevice().GetCapability(index, value));
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetRandomNumber(uint32_t* value) {
    return ToExportStatus(TheIsdDevice().GetRandomNumber(value));
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetStatistic(uint32_t index, uint32_t* value) {
    return ToExportStatus(TheIsdDevice().GetStatistic(index, value));
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdTestRandomGenerator(void) {
    return ToExportStatus(TheIsdDevice().TestRandomGenerator());
}
