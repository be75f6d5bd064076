// quillon rawrsa keyfile OUT --key KEY --tag TAG: adds the component lines of an RSA private
// key to a raw RSA key file, through the library's key-file writer. The file is read, extended
// in memory and written whole, under a lock, so a key is there entirely or not at all.
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "output_file.h"
#include "private_key_file.h"

namespace quillon::cli {
namespace {

enum Option : int { kKey = 0x200, kTag };

// Whether a component line of the key file already carries the tag (letter, '.', the tag).
bool HoldsTag(std::span<const std::uint8_t> file, std::string_view tag) {
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::string_view line = text.substr(at, text.find('\n', at) - at);
        if (line.size() > 2 + tag.size() && line[1] == '.' && line.substr(2, tag.size()) == tag) {
            return true;
        }
        at += line.size() + 1;
    }
    return false;
}

// The key file's lines for the key at keyPath under tag; false, with the reason on stderr, when
// the key cannot be read or has no key-file form.
bool KeyFileLines(const char* keyPath, const char* tag, support::SecureBuffer& lines) {
    Bytes contents, pkcs8;
    if (!ReadWholeFile(keyPath, contents)) return false;
    toolkit::kinds::RsaPrivateParts parts;
    std::string error;
    const bool read = RsaPrivateKeyOfFile(contents, pkcs8, parts, error);
    if (!read || parts.otherPrimeCount != 0) {
        std::fprintf(stderr, "quillon: %s: %s\n", keyPath,
                     read ? "a key of more than two primes has no key-file form" : error.c_str());
        return false;
    }
    const keyagree::KeyFileWriteStatus status =
        keyagree::KeyFileText(keyagree::KeyFilePartsOf(parts), tag, lines);
    if (status != keyagree::KeyFileWriteStatus::kWritten) {
        std::fprintf(stderr, "quillon: %s\n",
                     status == keyagree::KeyFileWriteStatus::kBadTag
                         ? "the tag must be 8 printable ASCII characters"
                         : "the key cannot be written");
        return false;
    }
    return true;
}

}  // namespace

int RawRsaKeyFileCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon rawrsa keyfile", "OUT --key KEY --tag TAG",
        "Adds the component lines of the RSA private key KEY (PEM or DER, PKCS #8 or #1) to\n"
        "the key file OUT under TAG, 8 characters: n and e as they are, d, p, q and u masked,\n"
        "the form rawrsa wrap and unwrap read. OUT may hold several keys; a TAG it already\n"
        "holds is refused. OUT is rewritten whole or not at all, with mode 0600, under a lock;\n"
        "a link, a file that is not regular, or a key file others may read is refused.\n"};
    static constexpr option kOptions[] = {
        {"key", required_argument, nullptr, kKey},
        {"tag", required_argument, nullptr, kTag},
    };
    CommandLine line(kHelp, argc, argv, "", kOptions);
    const char* keyPath = nullptr;
    const char* tag = nullptr;
    for (int option; (option = line.NextOption()) != CommandLine::kEnd;) {
        if (option == CommandLine::kStop) return line.ExitStatus();
        (option == kKey ? keyPath : tag) = line.Argument();
    }
    const Arguments operands = line.Operands();
    if (operands.size() != 1) return line.UsageError("one OUT file is needed");
    if (keyPath == nullptr || tag == nullptr) return line.UsageError("--key and --tag are needed");
    if (std::strlen(tag) != keyagree::kKeyTagLength) {
        return line.UsageError("the tag '%s' is not 8 characters", tag);
    }
    const char* out = operands[0];

    support::SecureBuffer lines;
    if (!KeyFileLines(keyPath, tag, lines)) return kExitFailure;
    // The tag is checked under the file's lock, against what the file holds then.
    const auto append = [&](std::span<const std::uint8_t> old, support::SecureBuffer& next) {
        if (HoldsTag(old, tag)) {
            std::fprintf(stderr, "quillon: %s: holds a key tagged '%s' already\n", out, tag);
            return false;
        }
        // A last line without its end gets one.
        const bool lineEnd = !old.empty() && old.back() != '\n';
        next = support::SecureBuffer::Zeroed(old.size() + lineEnd + lines.size());
        if (!next.ok()) {
            std::fprintf(stderr, "quillon: %s: out of memory\n", out);
            return false;
        }
        std::copy(old.begin(), old.end(), next.data());
        if (lineEnd) next.data()[old.size()] = '\n';
        std::copy(lines.data(), lines.data() + lines.size(), next.data() + old.size() + lineEnd);
        return true;
    };
    return UpdateFileWhole(out, append) ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
