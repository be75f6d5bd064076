#include "profile/profile_text_file.h"

#include <cstdio>

namespace quillon::profile {

bool ProfileTextFile::Open(const char* path) {
    position_ = end_ = 0;
    return file_.Open(path);
}

void ProfileTextFile::Close() {
    file_.Close();
}

int ProfileTextFile::PeekByte() {
    if (position_ == end_) {
        // A read error ends the file like its real end.
        end_ = file_.Read(block_, sizeof block_);
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
