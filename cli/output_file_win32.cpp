// Whole-file writes on Windows: the temporary file is made with CREATE_NEW beside OUT and moved
// over it with MoveFileExW (REPLACE_EXISTING | WRITE_THROUGH, which also puts the directory's
// entry on disk). A reparse point at OUT (a symbolic link or junction) is opened as itself, not
// followed, and refused. A file that is open cannot be replaced on Windows, so a key-file update
// holds its exclusive LockFileEx lock on a companion file, OUT.lock, kept for the next update.
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include "interruption.h"
#include "interruption_win32.h"
#include "output_file.h"

namespace quillon::cli {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    [[nodiscard]] HANDLE get() const { return handle_; }
    [[nodiscard]] bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

bool Failed(const char* path, DWORD error) {
    char reason[256] = "error";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   reason, sizeof reason, nullptr);
    std::string text(reason);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
        text.pop_back();
    }
    std::fprintf(stderr, "quillon: %s: %s\n", path, text.c_str());
    return false;
}

bool Refused(const char* path, const char* why) {
    std::fprintf(stderr, "quillon: %s: %s; nothing written\n", path, why);
    return false;
}

std::wstring Wide(const char* path) {
    const int size = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 1u, L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return wide;
}

std::wstring DirectoryOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Opens what stands at OUT as itself, links included; INVALID_HANDLE_VALUE when nothing does.
HANDLE OpenAsItself(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Whether OUT may be replaced: nothing there, or a disk file that is no link and no directory.
bool Acceptable(const char* path, HANDLE existing) {
    if (!existing || existing == INVALID_HANDLE_VALUE) return true;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(existing) != FILE_TYPE_DISK || !GetFileInformationByHandle(existing, &info)) {
        return Refused(path, "is not a regular file");
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return Refused(path, "is a symbolic link or junction, which is not followed");
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Refused(path, "is not a regular file");
    }
    return true;
}

bool NothingThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The temporary file beside OUT, removed when it goes unless it was moved over OUT.
class Temporary {
  public:
    explicit Temporary(const std::wstring& out) : directory_(DirectoryOf(out)) {}
    ~Temporary() {
        if (!made_) return;
        DeleteFileW(path_.c_str());
        RemoveFileOnInterruption(nullptr);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    [[nodiscard]] bool Write(const char* path, std::span<const std::uint8_t> bytes) {
        InstallInterruptionHandlers();
        FileHandle file(Create());
        if (!file.valid()) return Failed(path, GetLastError());
        while (!bytes.empty()) {
            const DWORD chunk =
                bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
                return Failed(path, GetLastError());
            }
            bytes = bytes.subspan(written);
        }
        if (!FlushFileBuffers(file.get())) return Failed(path, GetLastError());
        return true;
    }

    [[nodiscard]] bool MoveOver(const char* path, const std::wstring& out) {
        if (!MoveFileExW(path_.c_str(), out.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return Failed(path, GetLastError());
        }
        RemoveFileOnInterruption(nullptr);
        made_ = false;
        return true;
    }

  private:
    HANDLE Create() {
        std::random_device random;
        for (int attempt = 0;; ++attempt) {
            wchar_t name[32];
            std::swprintf(name, 32, L".quillon-%08x%08x", static_cast<unsigned>(random()),
                          static_cast<unsigned>(random()));
            path_ = directory_ + name;
            // Shared for deletion, so the console handler can remove it while it is open.
            const HANDLE file =
                CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                made_ = true;
                RemoveFileOnInterruption(path_.c_str());
                return file;
            }
            if (GetLastError() != ERROR_FILE_EXISTS || attempt == 16) return file;
        }
    }

    std::wstring directory_;
    std::wstring path_;
    bool made_ = false;
};

bool ReadAll(const char* path, HANDLE file, Bytes& contents) {
    contents.clear();
    for (;;) {
        const std::size_t size = contents.size();
        if (size > kMaxFileSize) {
            std::fprintf(stderr, "quillon: %s: larger than %zu bytes\n", path, kMaxFileSize);
            return false;
        }
        constexpr DWORD kChunk = 16384;
        contents.resize(size + kChunk);
        DWORD got = 0;
        if (!ReadFile(file, contents.data() + size, kChunk, &got, nullptr)) {
            return Failed(path, GetLastError());
        }
        contents.resize(size + got);
        if (got == 0) return true;
    }
}

}  // namespace

bool WriteFileWhole(const char* path, std::span<const std::uint8_t> bytes) {
    const std::wstring out = Wide(path);
    {
        const FileHandle existing(OpenAsItself(out, 0));
        if (!existing.valid() && !NothingThere(GetLastError())) {
            return Failed(path, GetLastError());
        }
        if (!Acceptable(path, existing.get())) return false;
    }
    Temporary temporary(out);
    return temporary.Write(path, bytes) && temporary.MoveOver(path, out);
}

bool UpdateFileWhole(const char* path, const FileUpdate& update) {
    const std::wstring out = Wide(path);
    const FileHandle lock(CreateFileW(
        (out + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!lock.valid()) return Failed(path, GetLastError());
    OVERLAPPED whole{};
    if (!LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
        return Failed(path, GetLastError());
    }
    Bytes old;
    {
        const FileHandle existing(OpenAsItself(out, GENERIC_READ));
        if (!existing.valid() && !NothingThere(GetLastError())) {
            return Failed(path, GetLastError());
        }
        if (!Acceptable(path, existing.get())) return false;
        if (existing.valid() && !ReadAll(path, existing.get(), old)) return false;
    }
    support::SecureBuffer next;
    if (!update(old, next)) return false;
    Temporary temporary(out);
    const bool written = temporary.Write(path, next.span()) && temporary.MoveOver(path, out);
    UnlockFileEx(lock.get(), 0, 1, 0, &whole);
    return written;
}

}  // namespace quillon::cli
