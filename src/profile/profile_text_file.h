// Reads a profile file line by line the way the Windows runtime reads a text file with fgets
// into a 100-byte buffer: at most 99 bytes per read, a CR LF pair delivered as one LF that does
// not count twice against those 99 bytes. The file is opened in binary mode on every platform
// and the pair is folded here, so a profile reads the same on Linux and on Windows whether it
// was written with LF or CR LF line ends. A lone CR is kept as an ordinary byte.
#pragma once

#include <cstddef>

#include "support/bounded_file.h"

namespace quillon::profile {

class ProfileTextFile {
  public:
    // The size of one read, terminator included (fgets' buffer size).
    static constexpr std::size_t kLineBufferSize = 100;

    ProfileTextFile() = default;
    ProfileTextFile(const ProfileTextFile&) = delete;
    ProfileTextFile& operator=(const ProfileTextFile&) = delete;
    ~ProfileTextFile() { Close(); }

    // False when the file cannot be opened or is not a regular file.
    [[nodiscard]] bool Open(const char* path);
    void Close();
    // True when reading stopped because the file is larger than any profile
    // (support::BoundedFile::kLimit): the lines read so far are not the whole file.
    [[nodiscard]] bool TooLarge() const { return file_.TooLarge(); }

    // The next read of up to kLineBufferSize - 1 bytes, up to and including an LF, into line,
    // NUL-terminated. False at the end of the file (or on a read error) when nothing was read.
    [[nodiscard]] bool ReadLine(char (&line)[kLineBufferSize]);

  private:
    // Next raw byte or EOF; refills the block buffer as needed.
    int NextByte();
    int PeekByte();

    support::BoundedFile file_;
    unsigned char block_[4096];
    std::size_t position_ = 0;
    std::size_t end_ = 0;
};

}  // namespace quillon::profile
