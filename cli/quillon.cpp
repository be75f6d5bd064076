// quillon — command-line client of the Quillon module, through its public C interface only.
#include <cstdio>
#include <string_view>

#include "commands.h"

namespace {

using quillon::cli::Arguments;

struct Command {
    std::string_view name;
    int (*run)(Arguments arguments);
};

const Command kCommands[] = {
    {"selftest", quillon::cli::SelfTestCommand}, {"demo", quillon::cli::DemoCommand},
    {"digest", quillon::cli::DigestCommand},     {"cert", quillon::cli::CertCommand},
    {"profile", quillon::cli::ProfileCommand},   {"rawrsa", quillon::cli::RawRsaCommand},
};

void Usage(FILE* to) {
    std::fprintf(
        to,
        "usage: quillon <command> [arguments]\n"
        "  selftest                  run the AES known answer and the module's power-up\n"
        "                            self-tests (code integrity, AES, triple-DES, SHA-1, RSA,\n"
        "                            HMAC); prints pass or FAIL for each\n"
        "  demo                      a short demonstration: AES-256-CBC, MD5 and SHA-1, "
        "HMAC-SHA-1,\n"
        "                            a Diffie-Hellman agreement on group 2 and an RSA signature\n"
        "                            block, each checked\n"
        "  digest md5|sha1 FILE...   the digest of each file, \"<hex>  <file>\" per line\n"
        "  cert [--pkcs7 OUT] FILE   subject, issuer and RSA key size of each certificate in a\n"
        "                            DER or PEM file; --pkcs7 writes the PKCS #7 message (DER)\n"
        "                            carrying the file's one certificate to OUT\n"
        "  profile FILE PASSWORD     reads the five items of a credential profile and prints\n"
        "                            each one's size or status (never its contents); a\n"
        "                            PASSWORD of - is read from the first line of standard input\n"
        "  rawrsa wrap KEYFILE HEX   wraps the bytes with the key file's public key: the key's\n"
        "                            tag, the bit count and the number, as hex\n"
        "  rawrsa unwrap KEYFILE HEX unwraps such an envelope with the key file's private key\n"
        "                            and prints the plain bytes as hex\n"
        "  --help                    this text\n"
        "exit status: 0 success, 1 a file, item, decoding or check failed, 2 wrong usage\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return quillon::cli::kExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        Usage(stdout);
        return quillon::cli::kExitOk;
    }
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return command.run(Arguments(argv + 2, static_cast<std::size_t>(argc - 2)));
        }
    }
    std::fprintf(stderr, "quillon: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return quillon::cli::kExitUsage;
}
