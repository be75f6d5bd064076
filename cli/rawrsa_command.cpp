// quillon rawrsa wrap|unwrap KEYFILE HEX: the raw RSA envelope over a key file, bytes in and
// out as hex; wrap and unwrap are subcommands with command lines of their own.
#include <algorithm>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

// The envelope is 10 bytes and the modulus. A key file's lines hold under 2048 characters, so a
// modulus is under 1 KiB: this is room to spare.
constexpr std::size_t kMaxEnvelope = 10 + 2048;

const char* RawRsaStatusMeaning(int32_t status) {
    switch (status) {
        case -1:
            return "the bytes do not make a number for this key, or out of memory";
        case -4:
            return "the key file is not readable or lacks a component";
        case -5:
            return "no bytes given";
        case -6:
            return "the operation failed: wrong key or damaged input";
        default:
            return "failed";
    }
}

int RawRsaEnvelope(const CommandHelp& help, bool wrap, int argc, char** argv) {
    CommandLine line(help, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    const Arguments operands = line.Operands();
    if (operands.size() != 2) return line.UsageError("a KEYFILE and HEX are needed");
    Bytes input;
    if (!ParseHex(operands[1], input)) {
        return line.UsageError("'%s' is not hex: an even number of digits 0-9, a-f", operands[1]);
    }
    if (input.size() > kMaxEnvelope) {
        std::fprintf(stderr, "quillon: more than %zu bytes to %s\n", kMaxEnvelope,
                     wrap ? "wrap" : "unwrap");
        return kExitFailure;
    }
    const char* path = operands[0];
    Bytes buffer(kMaxEnvelope);
    std::copy(input.begin(), input.end(), buffer.begin());
    const uint32_t length = static_cast<uint32_t>(input.size());
    const int32_t result = wrap ? RawRsaPublic(path, buffer.data(), length)
                                : RawRsaPrivate(path, buffer.data(), length);
    if (result >= 0) {
        std::printf("%s\n", HexText(buffer.data(), static_cast<std::size_t>(result)).c_str());
    } else {
        std::fprintf(stderr, "quillon: %s: %s (status %d)\n", path, RawRsaStatusMeaning(result),
                     static_cast<int>(result));
    }
    // Either side of the envelope may be the secret.
    support::SecureWipe(buffer.data(), buffer.size());
    support::SecureWipe(input.data(), input.size());
    return result >= 0 ? kExitOk : kExitFailure;
}

int WrapCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon rawrsa wrap", "KEYFILE HEX",
        "Wraps the bytes given as HEX with the public key of KEYFILE and prints the envelope\n"
        "(the key's tag, the bit count and the number) as hex.\n"};
    return RawRsaEnvelope(kHelp, true, argc, argv);
}

int UnwrapCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon rawrsa unwrap", "KEYFILE HEX",
        "Unwraps an envelope given as HEX with the private key of KEYFILE and prints the plain\n"
        "bytes as hex.\n"};
    return RawRsaEnvelope(kHelp, false, argc, argv);
}

}  // namespace

int RawRsaCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon rawrsa", "wrap|unwrap KEYFILE HEX | keyfile OUT --key KEY --tag TAG",
        "The raw RSA envelope over a key file, bytes in and out as hex:\n"
        "  wrap KEYFILE HEX    wraps the bytes with the key file's public key\n"
        "  unwrap KEYFILE HEX  unwraps an envelope with the key file's private key\n"
        "  keyfile OUT --key KEY --tag TAG\n"
        "                      appends an RSA private key's component lines to a key file\n"
        "Each takes --help of its own.\n"};
    static constexpr Subcommand kSubcommands[] = {
        {"wrap", WrapCommand}, {"unwrap", UnwrapCommand}, {"keyfile", RawRsaKeyFileCommand}};
    CommandLine line = CommandLine::OfSubcommands(kHelp, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    return line.RunSubcommand(kSubcommands);
}

}  // namespace quillon::cli
