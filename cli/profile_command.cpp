// quillon profile FILE PASSWORD: reads the five protected items of a credential profile and
// says what each reader returned — a size or a status — never the items' bytes.
#include <cerrno>
#include <cstring>
#include <string>

#include "commands.h"
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

// A password given as "-" is the first line of standard input, kept off the command line.
bool ReadPassword(std::string& password) {
    password.clear();
    for (int c; (c = std::getchar()) != EOF && c != '\n';) password += static_cast<char>(c);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return !std::ferror(stdin);
}

}  // namespace

int ProfileCommand(Arguments arguments) {
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: quillon profile FILE PASSWORD|-\n");
        return kExitUsage;
    }
    const char* path = arguments[0];
    std::FILE* probe = std::fopen(path, "rb");
    if (probe == nullptr) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
        return kExitFailure;
    }
    std::fclose(probe);
    std::string password = arguments[1];
    if (password == "-" && !ReadPassword(password)) {
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
            WipeBytes(buffer, static_cast<std::size_t>(result));
            ProfileFreeBuffer(buffer);
        } else if (reader.reportsStatus) {
            std::printf("%-33s not read: %s (status %d)\n", reader.item,
                        ProfileStatusMeaning(result), static_cast<int>(result));
        } else {
            std::printf("%-33s not read (status %d)\n", reader.item, static_cast<int>(result));
        }
    }
    WipeBytes(password.data(), password.size());
    if (read == 0) {
        std::fprintf(stderr, "quillon: %s: no item could be read\n", path);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace quillon::cli
