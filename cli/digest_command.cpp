// quillon digest md5|sha1 FILE...: one line per file, "<hex digest>  <file>", as md5sum and
// sha1sum print them.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "commands.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

struct Algorithm {
    std::string_view name;
    void(QUILLON_CALL* create)(DigestHandle** handle);
    void(QUILLON_CALL* final)(uint8_t* out, DigestHandle** handle);
    uint32_t length;
};

const Algorithm kAlgorithms[] = {
    {"md5", Md5Create, Md5Final, 16},
    {"sha1", Sha1Create, Sha1Final, 20},
};

// Streams the file through one digest handle; false (said on stderr) when it cannot be read.
bool DigestFile(const Algorithm& algorithm, const char* path, uint8_t* digest) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    DigestHandle* handle = nullptr;
    algorithm.create(&handle);
    if (handle == nullptr) {
        std::fclose(file);
        std::fprintf(stderr, "quillon: %s: no memory for a digest\n", path);
        return false;
    }
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        DigestUpdate(&handle, chunk, static_cast<uint32_t>(got));
    }
    const bool readable = !std::ferror(file);
    std::fclose(file);
    algorithm.final(digest, &handle);  // also releases the handle of an unreadable file
    if (!readable) std::fprintf(stderr, "quillon: %s: cannot be read\n", path);
    return readable;
}

}  // namespace

int DigestCommand(Arguments arguments) {
    const Algorithm* algorithm = nullptr;
    if (!arguments.empty()) {
        for (const Algorithm& candidate : kAlgorithms) {
            if (candidate.name == arguments[0]) algorithm = &candidate;
        }
    }
    if (algorithm == nullptr || arguments.size() < 2) {
        std::fprintf(stderr, "usage: quillon digest md5|sha1 FILE...\n");
        return kExitUsage;
    }
    int status = kExitOk;
    for (const char* path : arguments.subspan(1)) {
        uint8_t digest[20];
        if (!DigestFile(*algorithm, path, digest)) {
            status = kExitFailure;
            continue;
        }
        std::printf("%s  %s\n", HexText(digest, algorithm->length).c_str(), path);
    }
    return status;
}

}  // namespace quillon::cli
