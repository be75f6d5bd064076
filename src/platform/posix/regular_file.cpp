// Regular files on POSIX systems: the type is checked on the open descriptor, so the file that
// was checked is the file that is read. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer; it is cleared again before reading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"

namespace quillon::platform {

std::FILE* OpenRegularFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat status {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) close(fd);
    return file;
}

}  // namespace quillon::platform
