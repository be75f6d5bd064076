// The security device on POSIX systems. There is no such driver here, so nothing opens and
// every request goes unanswered, exactly as on Windows without the driver.
//
// The named mutex leaves nothing on disk and reads no environment: it is a Unix socket bound
// under the mutex's name in Linux's abstract namespace. Binding the name is acquiring it; the
// kernel refuses a second bind while the socket lives and frees the name when it is closed,
// also when its holder dies. A waiter connects to the holder's listening socket and sleeps in a
// read that ends when the holder closes it, then tries to bind again.
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/device.h"
#include "platform/locks.h"
#include "platform/os_version.h"

namespace quillon::platform {
namespace {

// The abstract address of a name: a zero byte, then the name (cut to what the address holds).
socklen_t AbstractAddress(const char* name, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::size_t length = strnlen(name, sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name, length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Blocks until the holder of the name lets it go (or it is gone already).
void AwaitRelease(int fd, const sockaddr_un& address, socklen_t size) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        // Refused: the holder is gone, or has bound but not yet listens. Try again shortly.
        const timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
        return;
    }
    // The holder never accepts: the read ends with its close.
    char byte;
    while (read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

}  // namespace

NamedMutex AcquireNamedMutex(const char* name) {
    sockaddr_un address;
    const socklen_t size = AbstractAddress(name, address);
    for (;;) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return {};
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
            if (listen(fd, SOMAXCONN) == 0) return {fd};
            close(fd);
            return {};
        }
        if (errno != EADDRINUSE) {
            close(fd);
            return {};
        }
        AwaitRelease(fd, address, size);
        close(fd);
    }
}

void ReleaseNamedMutex(NamedMutex mutex) {
    if (mutex.handle < 0) return;
    close(static_cast<int>(mutex.handle));
}

// Reported as the NT family, the platform whose code paths apply to a modern system.
bool QueryOsVersion(OsVersion& version) {
    utsname name{};
    version = {kNtFamily, 0, 0};
    if (uname(&name) == 0) {
        unsigned major = 0, minor = 0;
        if (std::sscanf(name.release, "%u.%u", &major, &minor) == 2)
            version = {kNtFamily, major, minor};
    }
    return true;
}

DeviceHandle OpenDevice(const char*, DeviceOpenMode) {
    return kInvalidDevice;
}

void DeviceControl(DeviceHandle, std::uint32_t, void*, std::uint32_t) {}

void CloseDevice(DeviceHandle) {}

}  // namespace quillon::platform
