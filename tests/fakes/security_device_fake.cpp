#include "fakes/security_device_fake.h"
#include "platform/locks.h"

#include <cstring>

namespace quillon::test {
namespace {

constexpr platform::DeviceHandle kFakeHandle = 0x5EC;
FakeSecurityDevice theDevice;

}  // namespace

FakeSecurityDevice& FakeDevice() {
    return theDevice;
}
void ResetFakeDevice() {
    theDevice = FakeSecurityDevice{};
}

}  // namespace quillon::test

namespace quillon::platform {

using test::FakeDevice;

NamedMutex AcquireNamedMutex(const char*) {
    ++FakeDevice().mutexAcquired;
    return {1};
}

void ReleaseNamedMutex(NamedMutex) {
    ++FakeDevice().mutexReleased;
}

bool QueryOsVersion(OsVersion& version) {
    if (!FakeDevice().versionAvailable) return false;
    version = FakeDevice().version;
    return true;
}

DeviceHandle OpenDevice(const char* path, DeviceOpenMode mode) {
    auto& device = FakeDevice();
    ++device.opens;
    device.openedPath = path;
    device.openMode = mode;
    return device.present ? test::kFakeHandle : kInvalidDevice;
}

void DeviceControl(DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t size) {
    auto& device = FakeDevice();
    if (handle != test::kFakeHandle) return;  // no driver: the request goes unanswered
    ++device.requests;
    device.lastCode = code;
    device.lastRequest.assign(size / 4, 0);
    std::memcpy(device.lastRequest.data(), buffer, size);
    const auto answer = device.answers[code];
    auto* words = static_cast<std::uint32_t*>(buffer);
    words[0] = answer.status;
    words[size / 4 - 1] = answer.value;
}

void CloseDevice(DeviceHandle handle) {
    if (handle == test::kFakeHandle) ++FakeDevice().closes;
}

}  // namespace quillon::platform
