// The hardware random device behind the security driver "ISECDRV": opening it once per
// process under a named mutex, and the four device-control requests with their status mapping.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/device.h"

namespace quillon::device {

// ISD status codes: the results of the four exports and the status word of a driver answer
// (which may hold any number; the requests map the ones they do not pass on to kIsdUnknown).
enum class IsdStatus : std::uint32_t {
    kIsdOk = 0,
    kIsdNotAvailable = 1,
    kIsdDisabled = 2,
    kIsdInput = 4,
    kIsdTestFailed = 16,
    kIsdUnknown = 0xFFFF,
};

// The device code spells them kIsdOk, kIsdUnknown, ...
using enum IsdStatus;

// The number an export hands its caller.
[[nodiscard]] constexpr std::uint32_t ToExportStatus(IsdStatus status) {
    return static_cast<std::uint32_t>(status);
}

// Device-control codes: device type 0x22, functions 0x804-0x807, buffered, any access.
inline constexpr std::uint32_t kIsdGetCapabilityCode = 0x222010;
inline constexpr std::uint32_t kIsdGetRandomNumberCode = 0x222014;
inline constexpr std::uint32_t kIsdTestRandomGeneratorCode = 0x222018;
inline constexpr std::uint32_t kIsdGetStatisticCode = 0x22201C;

// The message attached to a failing ISD status.
[[nodiscard]] const char* IsdStatusMessage(IsdStatus status);

// One process's view of the device: the handle is opened at most once with success and kept
// until the module is unloaded; until then every request tries to open it again.
class IsdDevice {
  public:
    [[nodiscard]] IsdStatus GetCapability(std::uint32_t index, std::uint32_t* value);
    [[nodiscard]] IsdStatus GetStatistic(std::uint32_t index, std::uint32_t* value);
    [[nodiscard]] IsdStatus GetRandomNumber(std::uint32_t* value);
    [[nodiscard]] IsdStatus TestRandomGenerator();

    // Closes the handle if it is open; the next request opens it again. Only when no request
    // is under way (the module being unloaded).
    void Close();

  private:
    void OpenIfNeeded();
    IsdStatus QueryIndexed(std::uint32_t code, std::uint32_t index, std::uint32_t lastIndex,
                           std::uint32_t* value);

    // Written once, under the named mutex, from invalid to valid; read without a lock.
    std::atomic<platform::DeviceHandle> handle_{platform::kInvalidDevice};
};

// The process-wide device the exports use.
[[nodiscard]] IsdDevice& TheIsdDevice();

}  // namespace quillon::device
