#include "device/isd_device.h"

#include "platform/locks.h"
#include "platform/os_version.h"

namespace quillon::device {
namespace {

constexpr char kMutexName[] = "IPIInitMutex";
constexpr char kDevicePath[] = "\\\\.\\ISECDRV";

// Every request buffer starts with the status word, sent as "no answer" for the driver to
// overwrite; the other fields are sent as given (values as 0).
constexpr std::uint32_t kNoAnswer = static_cast<std::uint32_t>(kIsdUnknown);

template <std::size_t kWords>
struct Request {
    std::uint32_t words[kWords];
};

template <std::size_t kWords>
Request<kWords> Send(platform::DeviceHandle device, std::uint32_t code, Request<kWords> request) {
    platform::DeviceControl(device, code, request.words, sizeof request.words);
    return request;
}

}  // namespace

const char* IsdStatusMessage(IsdStatus status) {
    switch (status) {
        case kIsdOk:
            return "There was no error.  The function executed successfully. (ISD_EOK)";
        case kIsdNotAvailable:
            return "The hardware device is not currently available. (ISD_ENOTAVAIL)";
        case kIsdDisabled:
            return "The hardware device has been disabled and can no longer be used. "
                   "(ISD_EDISABLED)";
        case kIsdInput:
            return "There is an unknown system error. (ISD_EINPUT)";
        case kIsdTestFailed:
            return "The hardware device has failed internal tests and is no longer available. "
                   "(ISD_ETESTFAIL)";
        case kIsdUnknown:
            return "There is an unknown error in hardware. (ISD_EUNKNOWN)";
        default:
            return "There is an unknown error in hardware.";
    }
}

void IsdDevice::OpenIfNeeded() {
    if (handle_.load(std::memory_order_acquire) != platform::kInvalidDevice) return;
    const platform::NamedMutex mutex = platform::AcquireNamedMutex(kMutexName);
    if (handle_.load(std::memory_order_relaxed) == platform::kInvalidDevice) {
        platform::OsVersion version;
        if (platform::QueryOsVersion(version)) {
            platform::DeviceHandle opened = platform::kInvalidDevice;
            if (version.platformId == platform::kWindows95Family && version.minor == 0) {
                opened = platform::OpenDevice(kDevicePath,
                                              platform::DeviceOpenMode::kQueryOnlyDeleteOnClose);
            } else if (version.platformId == platform::kNtFamily ||
                       (version.platformId == platform::kWindows95Family &&
                        version.minor == platform::kWindows98Minor)) {
                opened =
                    platform::OpenDevice(kDevicePath, platform::DeviceOpenMode::kReadWriteShared);
            }
            handle_.store(opened, std::memory_order_release);
        }
    }
    platform::ReleaseNamedMutex(mutex);
}

IsdStatus IsdDevice::QueryIndexed(std::uint32_t code, std::uint32_t index, std::uint32_t lastIndex,
                                  std::uint32_t* value) {
    OpenIfNeeded();
    if (index < 1 || index > lastIndex) {
        if (value != nullptr) *value = 0;
        return kIsdInput;
    }
    const auto answer =
        Send(handle_.load(std::memory_order_acquire), code, Request<3>{{kNoAnswer, index, 0}});
    if (value == nullptr) return kIsdUnknown;
    const auto status = static_cast<IsdStatus>(answer.words[0]);
    *value = status == kIsdOk ? answer.words[2] : 0;
    if (status == kIsdOk || status == kIsdInput) return status;
    return kIsdUnknown;
}

IsdStatus IsdDevice::GetCapability(std::uint32_t index, std::uint32_t* value) {
    return QueryIndexed(kIsdGetCapabilityCode, index, 5, value);
}

IsdStatus IsdDevice::GetStatistic(std::uint32_t index, std::uint32_t* value) {
    return QueryIndexed(kIsdGetStatisticCode, index, 2, value);
}

IsdStatus IsdDevice::GetRandomNumber(std::uint32_t* value) {
    if (value == nullptr) return kIsdUnknown;
    OpenIfNeeded();
    const auto answer = Send(handle_.load(std::memory_order_acquire), kIsdGetRandomNumberCode,
                             Request<2>{{kNoAnswer, 0}});
    const auto status = static_cast<IsdStatus>(answer.words[0]);
    *value = status == kIsdOk ? answer.words[1] : 0;
    switch (status) {
        case kIsdOk:
        case kIsdNotAvailable:
        case kIsdDisabled:
        case kIsdTestFailed:
            return status;
        default:
            return kIsdUnknown;
    }
}

IsdStatus IsdDevice::TestRandomGenerator() {
    OpenIfNeeded();
    const auto answer = Send(handle_.load(std::memory_order_acquire), kIsdTestRandomGeneratorCode,
                             Request<2>{{kNoAnswer, 0}});
    switch (const auto status = static_cast<IsdStatus>(answer.words[0])) {
        case kIsdOk:
            return (answer.words[1] & 0xFF) != 0 ? kIsdOk : kIsdTestFailed;
        case kIsdNotAvailable:
        case kIsdDisabled:
            return status;
        default:
            return kIsdUnknown;
    }
}

void IsdDevice::Close() {
    platform::CloseDevice(handle_.exchange(platform::kInvalidDevice, std::memory_order_acq_rel));
}

IsdDevice& TheIsdDevice() {
    static constinit IsdDevice device;
    return device;
}

}  // namespace quillon::device
