#include "support/bounded_file.h"

#include <algorithm>

#include "platform/regular_file.h"

namespace quillon::support {

bool BoundedFile::Open(const char* path) {
    Close();
    if (path == nullptr) return false;
    file_ = platform::OpenRegularFile(path);
    return file_ != nullptr;
}

void BoundedFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    read_ = 0;
    tooLarge_ = false;
}

std::size_t BoundedFile::Read(void* out, std::size_t size) {
    if (file_ == nullptr || tooLarge_) return 0;
    // One byte past the limit is enough to know the file is too large.
    const std::size_t got = std::fread(out, 1, std::min(size, kLimit + 1 - read_), file_);
    read_ += got;
    if (read_ > kLimit) {
        tooLarge_ = true;
        return 0;
    }
    return got;
}

}  // namespace quillon::support
