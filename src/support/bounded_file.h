// A file that a caller names (a profile, an RSA key file), read as bytes within bounds: only a
// regular file opens, so a directory, a device such as /dev/zero or a FIFO is "cannot be opened"
// rather than a read that never ends or blocks; and reading stops past kLimit bytes, which real
// files (a few KB) never reach, so no file can make the module read without end.
#pragma once

#include <cstddef>
#include <cstdio>

namespace quillon::support {

class BoundedFile {
  public:
    static constexpr std::size_t kLimit = std::size_t{4} << 20;

    BoundedFile() = default;
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;
    ~BoundedFile() { Close(); }

    // False when path cannot be opened or is not a regular file.
    [[nodiscard]] bool Open(const char* path);
    void Close();

    // Up to size bytes into out; 0 at the end, after a read error, or once the file has shown
    // more than kLimit bytes (TooLarge() then tells it apart).
    [[nodiscard]] std::size_t Read(void* out, std::size_t size);
    [[nodiscard]] bool TooLarge() const { return tooLarge_; }

  private:
    std::FILE* file_ = nullptr;
    std::size_t read_ = 0;
    bool tooLarge_ = false;
};

}  // namespace quillon::support
