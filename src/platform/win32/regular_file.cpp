// Regular files on Windows: the type is checked on the opened stream (a device such as NUL or
// CON, or a pipe, is not a disk file), so the file that was checked is the file that is read.
#include <sys/stat.h>

#include <cstdio>

#include "platform/regular_file.h"

namespace quillon::platform {

std::FILE* OpenRegularFile(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

}  // namespace quillon::platform
