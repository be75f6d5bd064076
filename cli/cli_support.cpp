// File reading and the close of standard output, hex and status text, and wiping for the
// subcommands.
#include <cerrno>
#include <cstring>

#include "commands.h"
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
    std::FILE* file = OpenInput(path);
    if (file == nullptr) return false;
    contents.clear();
    std::uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (contents.size() + got > kMaxFileSize) {
            std::fprintf(stderr, "quillon: %s: larger than %zu bytes\n", path, kMaxFileSize);
            ok = false;
            break;
        }
        contents.insert(contents.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            if (std::ferror(file)) {
                std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
                ok = false;
            }
            break;
        }
    }
    CloseInput(file);
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
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

bool ParseHex(const char* text, Bytes& bytes) {
    bytes.clear();
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (; text[0] != '\0'; text += 2) {
        const int high = digit(text[0]);
        const int low = high < 0 ? -1 : digit(text[1]);  // text[1] may be the terminator
        if (low < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(16 * high + low));
    }
    return true;
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

void WipeBytes(void* bytes, std::size_t size) {
    // Through a volatile pointer, so the stores are not dropped as dead before the release.
    volatile std::uint8_t* at = static_cast<volatile std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < size; ++i) at[i] = 0;
}

}  // namespace quillon::cli
