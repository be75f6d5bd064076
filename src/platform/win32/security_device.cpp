// The security device on Windows: a named kernel mutex, the version query, and the driver's
// device through CreateFileA / DeviceIoControl.
#include <windows.h>

#include "platform/device.h"
#include "platform/locks.h"
#include "platform/os_version.h"

namespace quillon::platform {

static_assert(VER_PLATFORM_WIN32_WINDOWS == kWindows95Family);
static_assert(VER_PLATFORM_WIN32_NT == kNtFamily);

NamedMutex AcquireNamedMutex(const char* name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) return {};
    WaitForSingleObject(mutex, INFINITE);
    return {reinterpret_cast<std::intptr_t>(mutex)};
}

void ReleaseNamedMutex(NamedMutex mutex) {
    if (mutex.handle == -1) return;
    HANDLE handle = reinterpret_cast<HANDLE>(mutex.handle);
    ReleaseMutex(handle);
    CloseHandle(handle);
}

bool QueryOsVersion(OsVersion& version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL asked = GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!asked) return false;
    version = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
    return true;
}

DeviceHandle OpenDevice(const char* path, DeviceOpenMode mode) {
    // The path text has no placeholders; formatting it is how the driver's clients build it.
    char formatted[MAX_PATH];
    wsprintfA(formatted, "%s", path);
    HANDLE device = mode == DeviceOpenMode::kQueryOnlyDeleteOnClose
                        ? CreateFileA(formatted, 0, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                        : CreateFileA(formatted, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return reinterpret_cast<DeviceHandle>(device);
}

void DeviceControl(DeviceHandle device, std::uint32_t code, void* buffer, std::uint32_t size) {
    DWORD returned = 0;
    DeviceIoControl(reinterpret_cast<HANDLE>(device), code, buffer, size, buffer, size, &returned,
                    nullptr);
}

void CloseDevice(DeviceHandle device) {
    if (device != kInvalidDevice) CloseHandle(reinterpret_cast<HANDLE>(device));
}

}  // namespace quillon::platform
