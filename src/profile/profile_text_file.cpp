#include "profile/profile_text_file.h"

namespace quillon::profile {

bool ProfileTextFile::Open(const char* path) {
    Close();
    if (path == nullptr) return false;
    file_ = std::fopen(path, "rb");
    position_ = end_ = 0;
    return file_ != nullptr;
}

void ProfileTextFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

int ProfileTextFile::PeekByte() {
    if (position_ == end_) {
        if (file_ == nullptr) return EOF;
        // A read error ends the file like its real end.
        end_ = std::fread(block_, 1, sizeof block_, file_);
        position_ = 0;
        if (end_ == 0) return EOF;
    }
    return block_[position_];
}

int ProfileTextFile::NextByte() {
    const int byte = PeekByte();
    if (byte != EOF) ++position_;
    return byte;
}

bool ProfileTextFile::ReadLine(char (&line)[kLineBufferSize]) {
    std::size_t count = 0;
    while (count < kLineBufferSize - 1) {
        int byte = NextByte();
        if (byte == EOF) break;
        if (byte == '\r' && PeekByte() == '\n') byte = NextByte();
        line[count++] = static_cast<char>(byte);
        if (byte == '\n') break;
    }
    line[count] = '\0';
    return count != 0;
}

}  // namespace quillon::profile
