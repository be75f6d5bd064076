// The kernel's cryptographic random source.
#include <sys/random.h>

#include <cerrno>
#include <cstdint>

#include "platform/entropy.h"

namespace quillon::platform {

bool OsRandomBytes(void* out, std::size_t size) {
    auto* at = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const ssize_t got = getrandom(at, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace quillon::platform
