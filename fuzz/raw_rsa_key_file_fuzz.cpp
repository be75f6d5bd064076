// The raw RSA key-file reader on arbitrary file content, read in random-sized pieces. The kept
// lines must equal those of a plain model of the reading rule, and every component lookup must
// end without fault.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "keyagree/raw_rsa_key_file.h"

namespace {

using namespace quillon::keyagree;

struct PieceSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
    std::size_t piece;

    static std::size_t Read(void* context, std::uint8_t* out, std::size_t size) {
        auto* self = static_cast<PieceSource*>(context);
        std::size_t n = self->size - self->at;
        if (n > size) n = size;
        if (n > self->piece) n = self->piece;
        std::memcpy(out, self->data + self->at, n);
        self->at += n;
        return n;
    }
};

// CR LF becomes LF; reads of at most 2047 bytes end after an LF; a zero byte ends the line;
// trailing bytes below 0x20 go; empty lines are dropped.
std::vector<std::string> ModelLines(std::string_view text) {
    std::string translated;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        translated += text[i];
    }
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < translated.size()) {
        std::size_t end = at;
        while (end < translated.size() && end - at < kKeyFileLineBuffer - 1) {
            if (translated[end++] == '\n') break;
        }
        std::string line = translated.substr(at, end - at);
        at = end;
        line = line.substr(0, line.find('\0'));
        while (!line.empty() && static_cast<unsigned char>(line.back()) < 0x20) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the piece size, so line ends straddle the reader's refills.
    const std::size_t piece = 1 + data[0] % 64 * 67;
    PieceSource source{data + 1, size - 1, 0, piece};
    KeyFileLines lines;
    if (KeyFileReadLines({PieceSource::Read, &source}, lines) != KeyFileStatus::kOk) std::abort();

    const std::vector<std::string> expected =
        ModelLines({reinterpret_cast<const char*>(data + 1), size - 1});
    std::size_t offset = 0;
    std::size_t count = 0;
    std::string_view line;
    while (lines.Next(offset, line)) {
        if (count >= expected.size() || line != expected[count]) std::abort();
        ++count;
    }
    if (count != expected.size()) std::abort();

    // Every letter, masked or not, with any tag and with the tag of the first line.
    const char* firstTag = nullptr;
    if (!expected.empty() && expected[0].size() >= 2 + kKeyTagLength) {
        firstTag = expected[0].data() + 2;
    }
    for (const char letter : {'n', 'e', 'd', 'p', 'q', 'u'}) {
        for (const char* tag : {static_cast<const char*>(nullptr), firstTag}) {
            quillon::bignum::Mpi value;
            char recorded[kKeyTagLength];
            std::memcpy(recorded, kNoKeyTag, kKeyTagLength);
            const bool masked = letter != 'n' && letter != 'e';
            if (KeyFileFindComponent(lines, letter, tag, masked, value, recorded) ==
                KeyFileStatus::kOk) {
                // At most 2034 digits: the number fits in 1017 bytes.
                if (value.empty() || value.ByteLength() > 1017) std::abort();
            } else if (std::memcmp(recorded, kNoKeyTag, kKeyTagLength) != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
