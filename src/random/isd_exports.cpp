// Ordinals 37, 56, 57, 58 (also exported by name): the hardware random device.
#include "device/isd_device.h"
#include "quillon.h"

using quillon::device::TheIsdDevice;

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetCapability(uint32_t index, uint32_t* value) {
    return TheIsdDevice().GetCapability(index, value);
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetRandomNumber(uint32_t* value) {
    return TheIsdDevice().GetRandomNumber(value);
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdGetStatistic(uint32_t index, uint32_t* value) {
    return TheIsdDevice().GetStatistic(index, value);
}

extern "C" QUILLON_API uint32_t QUILLON_CALL IsdTestRandomGenerator(void) {
    return TheIsdDevice().TestRandomGenerator();
}
