// Devices opened by path and driven by device-control requests (the hardware random device's
// driver).
#pragma once

#include <cstdint>

namespace quillon::platform {

using DeviceHandle = std::uintptr_t;
inline constexpr DeviceHandle kInvalidDevice = ~DeviceHandle{0};

// How a device is opened: the Windows 95 way (no access rights, no sharing, deleted on close)
// or for reading and writing, shared both ways.
enum class DeviceOpenMode { kQueryOnlyDeleteOnClose, kReadWriteShared };

// Opens a device by path; kInvalidDevice when there is none.
[[nodiscard]] DeviceHandle OpenDevice(const char* path, DeviceOpenMode mode);

// One buffered device-control request: buffer (size bytes) goes in and comes back. Whether the
// request reached the driver is not reported; callers read the answer from the buffer.
void DeviceControl(DeviceHandle device, std::uint32_t code, void* buffer, std::uint32_t size);

// Closes a device OpenDevice opened; kInvalidDevice is ignored.
void CloseDevice(DeviceHandle device);

}  // namespace quillon::platform
