// Loaded into the quillon command (LD_PRELOAD) by its tests, to look where a user cannot:
//   QUILLON_PROBE_FREED_BLOCKS=FILE  appends the bytes of every block the command frees (its
//                                    whole usable size, and the old block of a realloc) to FILE;
//   QUILLON_PROBE_SIGNAL_AT_FSYNC=N  raises signal N at the first fsync, the moment a file
//                                    has been written but not yet put in place.
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

using FreeFunction = void (*)(void*);
using SyncFunction = int (*)(int);

FreeFunction realFree = nullptr;
SyncFunction realSync = nullptr;

[[gnu::constructor]] void Resolve() {
    realFree = reinterpret_cast<FreeFunction>(dlsym(RTLD_NEXT, "free"));
    realSync = reinterpret_cast<SyncFunction>(dlsym(RTLD_NEXT, "fsync"));
}

int RecordFile() {
    static int file = -2;
    if (file == -2) {
        const char* path = std::getenv("QUILLON_PROBE_FREED_BLOCKS");
        file = path == nullptr ? -1 : open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }
    return file;
}

void Record(void* block) {
    const int file = RecordFile();
    if (block == nullptr || file < 0) return;
    const auto* bytes = static_cast<const char*>(block);
    for (std::size_t left = malloc_usable_size(block); left > 0;) {
        const ssize_t written = write(file, bytes, left);
        if (written <= 0) return;
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace

extern "C" void free(void* block) {
    Record(block);
    if (realFree != nullptr) realFree(block);  // before the probe is resolved a block is kept
}

// Always a new block, so the old one passes through free and is recorded.
extern "C" void* realloc(void* block, std::size_t size) {
    if (block == nullptr) return std::malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    void* moved = std::malloc(size);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, block, std::min(malloc_usable_size(block), size));
    free(block);
    return moved;
}

extern "C" int fsync(int file) {
    static bool raised = false;
    const char* signal = std::getenv("QUILLON_PROBE_SIGNAL_AT_FSYNC");
    if (signal != nullptr && !raised) {
        raised = true;
        raise(std::atoi(signal));
    }
    return realSync(file);
}
