// Replaces the platform's security device: the version query and the device come from the fake.
#include <cstring>

#include "device/isd_device.h"
#include "fakes/provider_platform_fake.h"
#include "platform/device.h"
#include "platform/locks.h"
#include "platform/os_version.h"

namespace quillon::test {
namespace {

constexpr platform::DeviceHandle kFakeHandle = 0x5EC;
FakePlatform fake;

}  // namespace

FakePlatform& Fake() {
    return fake;
}

void ResetFakePlatform() {
    fake = FakePlatform{};
}

}  // namespace quillon::test

namespace quillon::platform {

using test::Fake;

NamedMutex AcquireNamedMutex(const char*) {
    return {1};
}

void ReleaseNamedMutex(NamedMutex) {}

bool QueryOsVersion(OsVersion& version) {
    if (!Fake().versionAvailable) return false;
    version = Fake().version;
    return true;
}

DeviceHandle OpenDevice(const char*, DeviceOpenMode) {
    return Fake().devicePresent ? test::kFakeHandle : kInvalidDevice;
}

// The device stays open for the process once opened, so a test that removes the device makes
// requests go unanswered instead.
void DeviceControl(DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t size) {
    auto& fake = Fake();
    if (handle != test::kFakeHandle || !fake.devicePresent) return;
    std::uint32_t words[3];
    std::memcpy(words, buffer, size);
    switch (code) {
        case device::kIsdTestRandomGeneratorCode:
            ++fake.testRequests;
            words[0] = fake.testStatus;
            words[1] = fake.testResult;
            break;
        case device::kIsdGetCapabilityCode:
            ++fake.capabilityRequests;
            fake.lastCapabilityIndex = words[1];
            words[0] = fake.capabilityStatus;
            words[2] = 0x1234;
            break;
        case device::kIsdGetRandomNumberCode:
            ++fake.randomRequests;
            words[0] = 0;
            if (!fake.randomStatuses.empty()) {
                words[0] = fake.randomStatuses.front();
                fake.randomStatuses.pop_front();
            }
            words[1] = 0;
            for (int i = 0; i < 4; ++i) words[1] |= std::uint32_t{fake.nextRandomByte++} << (8 * i);
            break;
        default:
            return;
    }
    std::memcpy(buffer, words, size);
}

void CloseDevice(DeviceHandle) {}

}  // namespace quillon::platform
