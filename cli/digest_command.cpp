// quillon digest md5|sha1 [FILE]...: one line per file, "<hex digest>  <file>", as md5sum and
// sha1sum print them; standard input for "-" or no file.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "command_line.h"
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
    std::FILE* file = OpenInput(path);
    if (file == nullptr) return false;
    DigestHandle* handle = nullptr;
    algorithm.create(&handle);
    if (handle == nullptr) {
        CloseInput(file);
        std::fprintf(stderr, "quillon: %s: no memory for a digest\n", path);
        return false;
    }
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        DigestUpdate(&handle, chunk, static_cast<uint32_t>(got));
    }
    const bool readable = !std::ferror(file);
    const int error = errno;
    CloseInput(file);
    algorithm.final(digest, &handle);  // also releases the handle of an unreadable file
    if (!readable) std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(error));
    return readable;
}

}  // namespace

int DigestCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon digest", "md5|sha1 [FILE]...",
        "Prints the MD5 or SHA-1 digest of each FILE, one line \"<hex digest>  <file>\" each, as\n"
        "md5sum and sha1sum print them. With no FILE, or when FILE is -, reads standard input.\n"
        "A file that cannot be read is reported and makes the exit status 1; the others are\n"
        "still digested.\n"};
    CommandLine line(kHelp, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    const Arguments operands = line.Operands();
    if (operands.empty()) return line.UsageError("no algorithm given");
    const Algorithm* algorithm = nullptr;
    for (const Algorithm& candidate : kAlgorithms) {
        if (candidate.name == operands[0]) algorithm = &candidate;
    }
    if (algorithm == nullptr) return line.UsageError("unknown algorithm '%s'", operands[0]);
    static char standardInput[] = "-";
    char* const standardInputOnly[] = {standardInput};
    const Arguments paths =
        operands.size() > 1 ? operands.subspan(1) : Arguments(standardInputOnly);
    int status = kExitOk;
    for (const char* path : paths) {
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
