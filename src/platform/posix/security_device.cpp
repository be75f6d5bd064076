// The security device on POSIX systems. There is no such driver here, so nothing opens and
// every request goes unanswered, exactly as on Windows without the driver. The named mutex is
// real: an advisory lock on a file, released by the kernel if its holder dies.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace quillon::platform {

NamedMutex AcquireNamedMutex(const char* name) {
    char path[256];
    const char* directory = std::getenv("TMPDIR");
    std::snprintf(path, sizeof path, "%s/%s.lock",
                  directory != nullptr && directory[0] != '\0' ? directory : "/tmp", name);
    const int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return {};
    while (flock(fd, LOCK_EX) != 0) {
        // Interrupted by a signal: wait again, there is no time limit.
    }
    return {fd};
}

void ReleaseNamedMutex(NamedMutex mutex) {
    if (mutex.handle < 0) return;
    flock(static_cast<int>(mutex.handle), LOCK_UN);
    close(static_cast<int>(mutex.handle));
}

// Reported as the NT family, the platform whose code paths apply to a modern system.
bool QueryOsVersion(OsVersion& version) {
    utsname name{};
    version = {2, 0, 0};
    if (uname(&name) == 0) {
        unsigned major = 0, minor = 0;
        if (std::sscanf(name.release, "%u.%u", &major, &minor) == 2) version = {2, major, minor};
    }
    return true;
}

DeviceHandle OpenDevice(const char*, DeviceOpenMode) {
    return kInvalidDevice;
}

void DeviceControl(DeviceHandle, std::uint32_t, void*, std::uint32_t) {}

}  // namespace quillon::platform
