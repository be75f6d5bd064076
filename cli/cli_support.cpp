// File reading and the close of standard output, hex and status text for the subcommands.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "commands.h"
#include "descriptor_io.h"
#include "terminal.h"

namespace quillon::cli {

std::FILE* OpenInput(const char* path) {
    if (std::strcmp(path, "-") == 0) {
        SetBinaryMode(stdin);
        return stdin;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
    return file;
}

void CloseInput(std::FILE* file) {
    if (file != stdin) std::fclose(file);
}

bool ReadWholeFile(const char* path, Bytes& contents) {
    const bool standardInput = std::strcmp(path, "-") == 0;
    const int file = standardInput ? kStandardInputDescriptor : OpenToRead(path);
    if (file < 0) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    const bool read = ReadDescriptor(file, path, contents);
    if (!standardInput) CloseDescriptor(file);
    return read;
}

bool ReadDescriptor(int file, const char* path, Bytes& contents) {
    // Read straight into the wiped buffer, a chunk's room at a time.
    constexpr std::size_t kChunk = 16384;
    contents.clear();
    bool ok = true;
    std::size_t size = 0;
    for (;;) {
        if (size > kMaxFileSize) {
            std::fprintf(stderr, "quillon: %s: larger than %zu bytes\n", path, kMaxFileSize);
            ok = false;
            break;
        }
        contents.resize(std::min(size + kChunk, kMaxFileSize + 1));
        const long got = ReadSome(file, contents.data() + size, contents.size() - size);
        if (got < 0) {
            std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
            ok = false;
        }
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    contents.resize(ok ? size : 0);
    return ok;
}

bool CloseStandardOutput() {
    const bool failedBefore = std::ferror(stdout) != 0;
    errno = 0;
    if (std::fclose(stdout) == 0 && !failedBefore) return true;
    if (errno != 0) {
        std::fprintf(stderr, "quillon: write error: %s\n", std::strerror(errno));
    } else {
        std::fprintf(stderr, "quillon: write error\n");
    }
    return false;
}

std::string HexText(const std::uint8_t* bytes, std::size_t size) {
    std::string text(2 * size, '\0');
    support::HexEncode({bytes, size}, text.data(), support::HexCase::kUpper);
    for (char& digit : text)
        digit = static_cast<char>(std::tolower(static_cast<unsigned char>(digit)));
    return text;
}

bool ParseHex(const char* text, Bytes& bytes) {
    const std::string_view digits(text);
    bytes.assign(digits.size() / 2, 0);
    return support::HexDecode(digits, bytes);
}

std::string StatusText(std::int32_t status) {
    char text[16];
    if (status < 0) {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(status));
    } else {
        std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(status));
    }
    return text;
}

}  // namespace quillon::cli
