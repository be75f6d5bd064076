// quillon rawrsa keyfile OUT --key KEY --tag TAG: appends the component lines of an RSA private
// key to a raw RSA key file, through the library's key-file writer.
#include <cstring>
#include <string>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "keyagree/raw_rsa_key_file.h"
#include "keyagree/raw_rsa_key_file_writer.h"
#include "output_file.h"
#include "private_key_file.h"

namespace quillon::cli {
namespace {

enum Option : int { kKey = 0x200, kTag };

// Whether a component line of the key file already carries the tag (letter, '.', the tag).
bool HoldsTag(const Bytes& file, std::string_view tag) {
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

}  // namespace

int RawRsaKeyFileCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon rawrsa keyfile", "OUT --key KEY --tag TAG",
        "Appends the component lines of the RSA private key KEY (PEM or DER, PKCS #8 or #1) to\n"
        "the key file OUT under TAG, 8 characters: n and e as they are, d, p, q and u masked,\n"
        "the form rawrsa wrap and unwrap read. OUT may hold several keys; it is made with mode\n"
        "0600 when new, and a TAG it already holds is refused.\n"};
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

    Bytes contents, pkcs8;
    if (!ReadWholeFile(keyPath, contents)) return kExitFailure;
    toolkit::kinds::RsaPrivateParts parts;
    std::string error;
    const bool read = RsaPrivateKeyOfFile(contents, pkcs8, parts, error);
    WipeBytes(contents.data(), contents.size());
    if (!read || parts.otherPrimeCount != 0) {
        std::fprintf(stderr, "quillon: %s: %s\n", keyPath,
                     read ? "a key of more than two primes has no key-file form" : error.c_str());
        WipeBytes(pkcs8.data(), pkcs8.size());
        return kExitFailure;
    }
    support::SecureBuffer lines;
    const keyagree::KeyFileWriteStatus status =
        keyagree::KeyFileText(keyagree::KeyFilePartsOf(parts), tag, lines);
    WipeBytes(pkcs8.data(), pkcs8.size());
    if (status != keyagree::KeyFileWriteStatus::kWritten) {
        std::fprintf(stderr, "quillon: %s\n",
                     status == keyagree::KeyFileWriteStatus::kBadTag
                         ? "the tag must be 8 printable ASCII characters"
                         : "the key cannot be written");
        return kExitFailure;
    }

    // An existing file: its tags are checked, and a last line without its end gets one.
    Bytes existing;
    std::FILE* probe = std::fopen(out, "rb");
    if (probe != nullptr) {
        std::fclose(probe);
        if (!ReadWholeFile(out, existing)) return kExitFailure;
    }
    if (HoldsTag(existing, tag)) {
        std::fprintf(stderr, "quillon: %s: holds a key tagged '%s' already\n", out, tag);
        WipeBytes(existing.data(), existing.size());
        return kExitFailure;
    }
    const bool needsLineEnd = !existing.empty() && existing.back() != '\n';
    WipeBytes(existing.data(), existing.size());
    static constexpr std::uint8_t kLineEnd[] = {'\n'};
    if (needsLineEnd && !AppendToFile(out, kLineEnd)) return kExitFailure;
    return AppendToFile(out, lines.span()) ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
