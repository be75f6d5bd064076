// The C runtime's unbuffered calls; standard input is switched to binary mode when first read.
#include <fcntl.h>
#include <io.h>

#include <climits>

#include "descriptor_io.h"

namespace quillon::cli {

int OpenToRead(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

long ReadSome(int file, std::uint8_t* into, std::size_t size) {
    static bool binaryInput = false;
    if (file == kStandardInputDescriptor && !binaryInput) {
        _setmode(file, _O_BINARY);
        binaryInput = true;
    }
    const unsigned count = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
    return _read(file, into, count);
}

void CloseDescriptor(int file) {
    _close(file);
}

}  // namespace quillon::cli
