// quillon profile FILE PASSWORD: reads the five protected items of a credential profile and
// says what each reader returned — a size or a status — never the items' bytes.
#include <string>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "password_input.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

struct Reader {
    const char* item;
    int32_t(QUILLON_CALL* read)(uint8_t** buffer, const char* path, const char* password);
    bool reportsStatus;  // the key readers return 0 whatever failed
};

const Reader kReaders[] = {
    {"Digital Signature / Certificate", ProfileGetSignatureCertificate, true},
    {"CA Certificates / Certificate", ProfileGetCaCertificates, true},
    {"Digital Signature / Key", ProfileGetSignatureKey, false},
    {"Private Keys / Key1", ProfileGetPrivateKey1, false},
    {"Private Keys / Key2", ProfileGetPrivateKey2, false},
};

const char* ProfileStatusMeaning(int32_t status) {
    switch (status) {
        case PROFILE_E_LOAD:
            return "the file cannot be opened or has a syntax error";
        case PROFILE_E_MAC_ALGORITHM:
            return "unsupported MAC algorithm";
        case PROFILE_E_MAC_KEY:
        case PROFILE_E_KEY:
        case PROFILE_E_OUTPUT:
            return "out of memory";
        case PROFILE_E_UNREADABLE:
            return "missing, damaged or bound to another name, or a wrong password";
        default:
            return "failed";
    }
}

// A credential profile starts its "Password Token" section on a line of its own; anything
// without one is some other file, whatever the readers would say about it.
bool LooksLikeProfile(const Bytes& contents) {
    static constexpr std::string_view kToken = "[Password Token]";
    const std::string_view text(reinterpret_cast<const char*>(contents.data()), contents.size());
    for (std::size_t at = 0;;) {
        if (text.substr(at, kToken.size()) == kToken) return true;
        at = text.find('\n', at);
        if (at == std::string_view::npos) return false;
        ++at;
    }
}

}  // namespace

int ProfileCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon profile", "FILE PASSWORD",
        "Reads the five protected items of a credential profile and prints each one's size, or\n"
        "why it could not be read; never the items' bytes. A PASSWORD of - is read from the\n"
        "first line of standard input, or typed without echo when standard input is a\n"
        "terminal. Exits with 1 when no item could be read.\n"
        "quillon profile create OUT ... makes a profile (see quillon profile create --help).\n"};
    // "create" makes a profile; anything else names one to read (./create reads a file of
    // that name).
    if (argc >= 2 && std::string_view(argv[1]) == "create") {
        return ProfileCreateCommand(argc - 1, argv + 1);
    }
    CommandLine line(kHelp, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    const Arguments operands = line.Operands();
    if (operands.size() != 2) return line.UsageError("a FILE and a PASSWORD are needed");
    const char* path = operands[0];
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return kExitFailure;
    if (!LooksLikeProfile(contents)) {
        std::fprintf(stderr, "quillon: %s: %s\n", path,
                     contents.empty() ? "empty file, not a credential profile"
                                      : "not a credential profile (no [Password Token] section)");
        return kExitFailure;
    }
    SecretText password = operands[1];
    if (password == "-" && !ReadPassword("-", "Password: ", password)) {
        std::fprintf(stderr, "quillon: the password cannot be read from standard input\n");
        return kExitFailure;
    }
    std::size_t read = 0;
    for (const Reader& reader : kReaders) {
        uint8_t* buffer = nullptr;
        const int32_t result = reader.read(&buffer, path, password.c_str());
        if (result > 0 && buffer != nullptr) {
            std::printf("%-33s %d bytes\n", reader.item, static_cast<int>(result));
            ++read;
            support::SecureWipe(buffer, static_cast<std::size_t>(result));
            ProfileFreeBuffer(buffer);
        } else if (reader.reportsStatus) {
            std::printf("%-33s not read: %s (status %d)\n", reader.item,
                        ProfileStatusMeaning(result), static_cast<int>(result));
        } else {
            std::printf("%-33s not read (status %d)\n", reader.item, static_cast<int>(result));
        }
    }
    if (read == 0) {
        std::fprintf(stderr, "quillon: %s: no item could be read\n", path);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace quillon::cli
