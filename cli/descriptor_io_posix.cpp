#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "descriptor_io.h"

namespace quillon::cli {

int OpenToRead(const char* path) {
    return open(path, O_RDONLY | O_CLOEXEC);
}

long ReadSome(int file, std::uint8_t* into, std::size_t size) {
    for (;;) {
        const ssize_t got = read(file, into, size);
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
}

void CloseDescriptor(int file) {
    close(file);
}

}  // namespace quillon::cli
