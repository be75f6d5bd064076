#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillon::cli {
namespace {

#ifdef _WIN32
constexpr int kOwnerOnly = _S_IREAD | _S_IWRITE;
constexpr int kBinary = O_BINARY;
int CloseFile(int file) {
    return _close(file);
}
bool SyncFile(int file) {
    return _commit(file) == 0;
}
long WriteSome(int file, const std::uint8_t* bytes, std::size_t size) {
    return _write(file, bytes, static_cast<unsigned>(size));
}
bool Rename(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
#else
constexpr int kOwnerOnly = S_IRUSR | S_IWUSR;
constexpr int kBinary = 0;
int CloseFile(int file) {
    return close(file);
}
bool SyncFile(int file) {
    return fsync(file) == 0;
}
long WriteSome(int file, const std::uint8_t* bytes, std::size_t size) {
    return write(file, bytes, size);
}
bool Rename(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}
#endif

bool WriteAll(int file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const long written = WriteSome(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool Fail(const char* path) {
    std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
    return false;
}

}  // namespace

bool WriteFileWhole(const char* path, std::span<const std::uint8_t> bytes) {
    const std::string temporary = std::string(path) + ".tmp-quillon";
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | kBinary, kOwnerOnly);
    if (file < 0) return Fail(temporary.c_str());
    const auto abandon = [&](const char* reason) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, reason);
        std::remove(temporary.c_str());
        return false;
    };
    if (!WriteAll(file, bytes) || !SyncFile(file)) {
        const char* reason = std::strerror(errno);
        CloseFile(file);
        return abandon(reason);
    }
    if (CloseFile(file) != 0) return abandon(std::strerror(errno));
    if (!Rename(temporary.c_str(), path)) return abandon("cannot be replaced");
    return true;
}

bool AppendToFile(const char* path, std::span<const std::uint8_t> bytes) {
    const int file = open(path, O_WRONLY | O_CREAT | O_APPEND | kBinary, kOwnerOnly);
    if (file < 0) return Fail(path);
    const bool written = WriteAll(file, bytes) && SyncFile(file);
    if (CloseFile(file) != 0 || !written) return Fail(path);
    return true;
}

}  // namespace quillon::cli
