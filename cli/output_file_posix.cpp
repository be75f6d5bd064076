// Whole-file writes on POSIX systems. Every step names files relative to OUT's directory, held
// open, so the temporary file, the rename and the directory sync all act on the one directory.
// rename(2) replaces a link at OUT rather than following it, and the key-file lock is taken on
// the file OUT names, then checked to still be what OUT names: an update that replaced it in
// the meantime sends the waiting one round again, to read what that update wrote.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "descriptor_io.h"
#include "interruption.h"
#include "interruption_posix.h"
#include "output_file.h"

namespace quillon::cli {
namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
// How often a key-file update goes round when others keep replacing the file under it.
constexpr int kUpdateRounds = 100;

class Descriptor {
  public:
    explicit Descriptor(int file = -1) : file_(file) {}
    ~Descriptor() {
        if (file_ >= 0) close(file_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return file_; }
    void Reset(int file) {
        if (file_ >= 0) close(file_);
        file_ = file;
    }

  private:
    int file_;
};

bool Failed(const char* path, int error) {
    std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(error));
    return false;
}

bool Refused(const char* path, const char* why) {
    std::fprintf(stderr, "quillon: %s: %s; nothing written\n", path, why);
    return false;
}

// OUT's directory, open, and OUT's name in it.
struct Place {
    Descriptor directory;
    std::string name;
};

bool OpenPlace(const char* path, Place& place) {
    const char* slash = std::strrchr(path, '/');
    const std::string directory =
        slash == nullptr ? "." : (slash == path ? "/" : std::string(path, slash));
    place.name = slash == nullptr ? path : slash + 1;
    if (place.name.empty() || place.name == "." || place.name == "..") {
        return Refused(path, "is a directory");
    }
    const int opened = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (opened < 0) return Failed(path, errno);
    place.directory.Reset(opened);
    return true;
}

// What may stand at OUT: a regular file, of its owner alone when it holds keys.
bool Acceptable(const char* path, const struct stat& info, bool ownerOnly) {
    if (S_ISLNK(info.st_mode)) return Refused(path, "is a symbolic link, which is not followed");
    if (!S_ISREG(info.st_mode)) return Refused(path, "is not a regular file");
    if (ownerOnly && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char why[160];
        std::snprintf(why, sizeof why,
                      "group or others may read or write it (mode %04o); a key file must be its "
                      "owner's alone (chmod 600)",
                      static_cast<unsigned>(info.st_mode & 07777));
        return Refused(path, why);
    }
    return true;
}

// The temporary file beside OUT: written whole and synced by Write, removed when it goes unless
// it was renamed or linked to OUT first (Placed).
class Temporary {
  public:
    explicit Temporary(const Place& place) : place_(place) {}
    ~Temporary() { Remove(); }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    [[nodiscard]] bool Write(const char* path, std::span<const std::uint8_t> bytes) {
        InstallInterruptionHandlers();
        Descriptor file(Create());
        if (file.get() < 0) return Failed(path, errno);
        // The mode is set on the descriptor: the umask does not decide who reads a key.
        if (fchmod(file.get(), kOwnerOnly) != 0) return Failed(path, errno);
        while (!bytes.empty()) {
            const ssize_t written = write(file.get(), bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return Failed(path, written < 0 ? errno : ENOSPC);
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
        if (fsync(file.get()) != 0) return Failed(path, errno);
        return true;
    }

    [[nodiscard]] const char* name() const { return name_; }

    // OUT names the file now (renamed), or also (linked, so the temporary name still goes).
    void Placed(bool renamed) {
        if (renamed) {
            RemoveFileOnInterruption(-1, nullptr);
            made_ = false;
        } else {
            Remove();
        }
    }

  private:
    int Create() {
        std::random_device random;
        for (int attempt = 0;; ++attempt) {
            std::snprintf(name_, sizeof name_, ".quillon-%08x%08x", random(), random());
            const HandledSignalsHeld held;
            const int file =
                openat(place_.directory.get(), name_,
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
            if (file >= 0) {
                made_ = true;
                RemoveFileOnInterruption(place_.directory.get(), name_);
                return file;
            }
            if (errno != EEXIST || attempt == 16) return -1;
        }
    }

    void Remove() {
        if (!made_) return;
        const HandledSignalsHeld held;
        unlinkat(place_.directory.get(), name_, 0);
        RemoveFileOnInterruption(-1, nullptr);
        made_ = false;
    }

    const Place& place_;
    char name_[32] = {};
    bool made_ = false;
};

// The directory's entry for OUT reaches the disk too, so a new OUT survives a power loss.
bool SyncDirectory(const char* path, const Place& place) {
    return fsync(place.directory.get()) == 0 || Failed(path, errno);
}

}  // namespace

bool WriteFileWhole(const char* path, std::span<const std::uint8_t> bytes) {
    Place place;
    if (!OpenPlace(path, place)) return false;
    struct stat info {};
    if (fstatat(place.directory.get(), place.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!Acceptable(path, info, false)) return false;
    } else if (errno != ENOENT) {
        return Failed(path, errno);
    }
    Temporary temporary(place);
    if (!temporary.Write(path, bytes)) return false;
    if (renameat(place.directory.get(), temporary.name(), place.directory.get(),
                 place.name.c_str()) != 0) {
        return Failed(path, errno);
    }
    temporary.Placed(true);
    return SyncDirectory(path, place);
}

bool UpdateFileWhole(const char* path, const FileUpdate& update) {
    Place place;
    if (!OpenPlace(path, place)) return false;
    for (int round = 0; round < kUpdateRounds; ++round) {
        // Not blocking on a FIFO's missing writer: it is refused by its type below.
        Descriptor existing(openat(place.directory.get(), place.name.c_str(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        Bytes old;
        if (existing.get() >= 0) {
            struct stat held {
            }, named{};
            if (fstat(existing.get(), &held) != 0) return Failed(path, errno);
            if (!Acceptable(path, held, true)) return false;
            while (flock(existing.get(), LOCK_EX) != 0) {
                if (errno != EINTR) return Failed(path, errno);
            }
            const bool same = fstatat(place.directory.get(), place.name.c_str(), &named,
                                      AT_SYMLINK_NOFOLLOW) == 0 &&
                              named.st_dev == held.st_dev && named.st_ino == held.st_ino;
            if (!same) continue;  // replaced while this one waited
            if (!ReadDescriptor(existing.get(), path, old)) return false;
        } else if (errno == ELOOP) {
            return Refused(path, "is a symbolic link, which is not followed");
        } else if (errno != ENOENT) {
            return Failed(path, errno);
        }

        support::SecureBuffer next;
        if (!update(old, next)) return false;
        Temporary temporary(place);
        if (!temporary.Write(path, next.span())) return false;
        if (existing.get() >= 0) {
            if (renameat(place.directory.get(), temporary.name(), place.directory.get(),
                         place.name.c_str()) != 0) {
                return Failed(path, errno);
            }
            temporary.Placed(true);
        } else {
            // A new OUT only if none appeared meanwhile; else go round to update that one.
            if (linkat(place.directory.get(), temporary.name(), place.directory.get(),
                       place.name.c_str(), 0) != 0) {
                if (errno == EEXIST) continue;
                return Failed(path, errno);
            }
            temporary.Placed(false);
        }
        return SyncDirectory(path, place);
    }
    return Refused(path, "kept being replaced by others while this command waited for it");
}

}  // namespace quillon::cli
