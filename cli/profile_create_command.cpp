// quillon profile create OUT --password-file FILE [options]: a credential profile made from
// certificates and RSA private keys, sealed with the library's profile writer and checked with
// the module's own certificate and key imports first.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "certificate_file.h"
#include "command_line.h"
#include "commands.h"
#include "output_file.h"
#include "password_input.h"
#include "private_key_file.h"
#include "quillon.h"
#include "terminal.h"

namespace quillon::cli {
namespace {

enum Option : int {
    kSignCert = 0x200,
    kSignKey,
    kCaCert,
    kKey1,
    kKey2,
    kProtection,
    kHashCount,
    kSalt,
    kPasswordFile,
};

// The items in the order they are written, whatever the order of the options.
struct ItemOption {
    int option;
    const char* section;
    const char* key;
    bool certificate;
};
constexpr ItemOption kItemOptions[] = {
    {kSignCert, "Digital Signature", "Certificate", true},
    {kSignKey, "Digital Signature", "Key", false},
    {kCaCert, "CA Certificates", "Certificate", true},
    {kKey1, "Private Keys", "Key1", false},
    {kKey2, "Private Keys", "Key2", false},
};

constexpr std::size_t kGeneratedSaltLength = 16;

// A decimal option in [low, high] (and a multiple of step).
bool ParseNumber(const char* text, long low, long high, long step, std::int32_t& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high || number % step != 0) {
        return false;
    }
    value = static_cast<std::int32_t>(number);
    return true;
}

// Letters and digits from the module's generator, each byte below 248 taken (4 × 62), so
// every character is equally likely.
bool GeneratedSalt(std::string& salt) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    salt.clear();
    while (salt.size() < kGeneratedSaltLength) {
        std::uint8_t random[32];
        if (RngGetBytes(sizeof random, random) != 0) return false;
        for (const std::uint8_t byte : random) {
            if (byte < 248 && salt.size() < kGeneratedSaltLength) salt += kAlphabet[byte % 62];
        }
    }
    return true;
}

// The certificates of a PEM or DER file, back to back as DER, each accepted by the module.
bool CertificateItem(const char* path, bool several, Bytes& item) {
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return false;
    std::vector<Bytes> certificates;
    std::string error;
    if (!CertificatesOfFile(contents, certificates, error)) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, error.c_str());
        return false;
    }
    if (!several && certificates.size() != 1) {
        std::fprintf(stderr, "quillon: %s: %zu certificates, the signature certificate is one\n",
                     path, certificates.size());
        return false;
    }
    item.clear();
    for (const Bytes& der : certificates) {
        CertOwner cert;
        const int32_t status =
            CertCreateFromDer(cert.Receive(), der.data(), static_cast<uint32_t>(der.size()));
        if (status != 0) {
            std::fprintf(stderr, "quillon: %s: not a certificate the module reads (status %s)\n",
                         path, StatusText(status).c_str());
            return false;
        }
        item.insert(item.end(), der.begin(), der.end());
    }
    return true;
}

// The key of the file as PKCS #8 DER, accepted by the module as a private key.
bool KeyItem(const char* path, Bytes& item) {
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return false;
    toolkit::kinds::RsaPrivateParts parts;
    std::string error;
    if (!RsaPrivateKeyOfFile(contents, item, parts, error)) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, error.c_str());
        return false;
    }
    KeyOwner key;
    const int32_t status =
        RsaCreatePrivateKey(key.Receive(), item.data(), static_cast<uint32_t>(item.size()));
    if (status != 0) {
        std::fprintf(stderr, "quillon: %s: not a key the module reads (status %s)\n", path,
                     StatusText(status).c_str());
        return false;
    }
    return true;
}

// From the first line of the file (- standard input), else typed twice at the terminal.
bool ObtainPassword(const char* passwordFile, SecretText& password) {
    if (passwordFile != nullptr) return ReadPassword(passwordFile, "Password: ", password);
    if (!StandardInputIsTerminal()) {
        std::fprintf(stderr,
                     "quillon: no password: give --password-file FILE (- for standard "
                     "input) or run at a terminal\n");
        return false;
    }
    SecretText again;
    if (!ReadPassword("-", "Password: ", password) ||
        !ReadPassword("-", "Password again: ", again)) {
        return false;
    }
    if (password != again) {
        std::fprintf(stderr, "quillon: the passwords differ\n");
        return false;
    }
    return true;
}

const char* WriteFailure(profile::ProfileWriteStatus status) {
    switch (status) {
        case profile::ProfileWriteStatus::kItemTooLarge:
            return "too large for a profile item (its ciphertext must stay below 2000 bytes)";
        case profile::ProfileWriteStatus::kEmptyPayload:
            return "empty";
        case profile::ProfileWriteStatus::kBadSalt:
            return "the salt must be at most 88 characters, none of them a control character";
        case profile::ProfileWriteStatus::kNoMemory:
            return "out of memory";
        default:
            return "cannot be written";
    }
}

// What the command line asks for.
struct ProfileRequest {
    const char* out = nullptr;
    const char* itemFiles[std::size(kItemOptions)] = {};
    const char* passwordFile = nullptr;
    std::string salt;
    bool saltGiven = false;
    std::int32_t protection = 128;
    std::int32_t hashCount = 1000;
};

// Reads the options and operands into request; CommandLine::kEnd when they are complete, else
// the exit status (--help, --version, a wrong command line).
int ReadCommandLine(CommandLine& line, ProfileRequest& request) {
    for (int option; (option = line.NextOption()) != CommandLine::kEnd;) {
        switch (option) {
            case CommandLine::kStop:
                return line.ExitStatus();
            case kProtection:
                if (!ParseNumber(line.Argument(), profile::kMinProtectionBits,
                                 profile::kMaxProtectionBits, 8, request.protection)) {
                    return line.UsageError("--protection takes 40 to 128 in steps of 8");
                }
                break;
            case kHashCount:
                if (!ParseNumber(line.Argument(), profile::kMinHashCount, profile::kMaxHashCount, 1,
                                 request.hashCount)) {
                    return line.UsageError("--hash-count takes 1 to 1000000");
                }
                break;
            case kSalt:
                request.salt = line.Argument();
                request.saltGiven = true;
                break;
            case kPasswordFile:
                request.passwordFile = line.Argument();
                break;
            default:
                for (std::size_t i = 0; i < std::size(kItemOptions); ++i) {
                    if (kItemOptions[i].option == option) request.itemFiles[i] = line.Argument();
                }
        }
    }
    const Arguments operands = line.Operands();
    if (operands.size() != 1) return line.UsageError("one OUT file is needed");
    request.out = operands[0];
    if (std::none_of(std::begin(request.itemFiles), std::end(request.itemFiles),
                     [](const char* file) { return file != nullptr; })) {
        return line.UsageError("no item: give at least one certificate or key");
    }
    return CommandLine::kEnd;
}

// An item read from its file, in the order of kItemOptions.
struct Payload {
    std::size_t item;  // index into kItemOptions
    Bytes bytes;
};

// Every item the request names, each checked by the module; false with the reason on stderr.
bool ReadItems(const ProfileRequest& request, std::vector<Payload>& payloads) {
    for (std::size_t i = 0; i < std::size(kItemOptions); ++i) {
        if (request.itemFiles[i] == nullptr) continue;
        Payload payload{i, {}};
        const bool read = kItemOptions[i].certificate
                              ? CertificateItem(request.itemFiles[i],
                                                kItemOptions[i].option == kCaCert, payload.bytes)
                              : KeyItem(request.itemFiles[i], payload.bytes);
        if (!read) return false;
        payloads.push_back(std::move(payload));
    }
    return true;
}

// Seals the payloads under the password into OUT.
bool SealProfile(const ProfileRequest& request, const std::vector<Payload>& payloads,
                 const SecretText& password) {
    std::vector<profile::ProfileItem> items;
    for (const Payload& payload : payloads) {
        const ItemOption& item = kItemOptions[payload.item];
        items.push_back({item.section, item.key, payload.bytes});
    }
    support::SecureBuffer text;
    std::size_t failedItem = 0;
    const profile::ProfileWriteStatus status = profile::ProfileWrite(
        {password.c_str(), request.salt.c_str(), request.protection, request.hashCount}, items,
        text, failedItem);
    if (status != profile::ProfileWriteStatus::kWritten) {
        const bool itemFault = status == profile::ProfileWriteStatus::kItemTooLarge ||
                               status == profile::ProfileWriteStatus::kEmptyPayload;
        std::fprintf(stderr, "quillon: %s: %s; %s not written\n",
                     itemFault ? request.itemFiles[payloads[failedItem].item] : request.out,
                     WriteFailure(status), request.out);
        return false;
    }
    return WriteFileWhole(request.out, text.span());
}

}  // namespace

int ProfileCreateCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon profile create", "OUT --password-file FILE [OPTION]...",
        "Makes a credential profile OUT that the module's profile readers unlock with the\n"
        "password: each item sealed with CAST5 under keys derived from password and salt.\n"
        "OUT is written whole or not at all, readable by its owner only (mode 0600).\n"
        "Items (at least one):\n"
        "  --sign-cert CERT     the signature certificate (PEM or DER, one certificate)\n"
        "  --sign-key KEY       the signature key (RSA private key, PEM or DER, PKCS #8 or #1)\n"
        "  --ca-cert CERT       the CA certificates (every certificate of the file)\n"
        "  --key1 KEY           the first private key\n"
        "  --key2 KEY           the second private key\n"
        "Protection:\n"
        "  --password-file FILE the password is the first line of FILE (- standard input);\n"
        "                       without it the password is typed twice at the terminal\n"
        "  --protection BITS    CAST5 key length, 40 to 128 in steps of 8 (default 128)\n"
        "  --hash-count N       SHA-1 iterations of the key derivation, 1 to 1000000\n"
        "                       (default 1000)\n"
        "  --salt TEXT          the salt (default: 16 random letters and digits)\n"
        "Keys are stored as PKCS #8 DER; an item whose ciphertext would reach 2000 bytes (a\n"
        "4096-bit key, say) is refused and nothing is written.\n"};
    static constexpr option kOptions[] = {
        {"sign-cert", required_argument, nullptr, kSignCert},
        {"sign-key", required_argument, nullptr, kSignKey},
        {"ca-cert", required_argument, nullptr, kCaCert},
        {"key1", required_argument, nullptr, kKey1},
        {"key2", required_argument, nullptr, kKey2},
        {"protection", required_argument, nullptr, kProtection},
        {"hash-count", required_argument, nullptr, kHashCount},
        {"salt", required_argument, nullptr, kSalt},
        {"password-file", required_argument, nullptr, kPasswordFile},
    };
    CommandLine line(kHelp, argc, argv, "", kOptions);
    ProfileRequest request;
    const int parsed = ReadCommandLine(line, request);
    if (parsed != CommandLine::kEnd) return parsed;
    std::vector<Payload> payloads;
    if (!ReadItems(request, payloads)) return kExitFailure;
    if (!request.saltGiven && !GeneratedSalt(request.salt)) {
        std::fprintf(stderr, "quillon: no salt: the module's generator failed\n");
        return kExitFailure;
    }
    SecretText password;
    if (!ObtainPassword(request.passwordFile, password)) return kExitFailure;
    return SealProfile(request, payloads, password) ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
