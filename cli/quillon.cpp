// quillon — command-line client of the Quillon module: its public C interface, and the
// internal writers of the files the module reads (see library_internals.h).
#include <cstring>

#include "command_line.h"
#include "commands.h"
#include "interruption.h"

namespace {

using quillon::cli::CommandHelp;
using quillon::cli::CommandLine;
using quillon::cli::Subcommand;

constexpr CommandHelp kHelp = {
    "quillon", "[--help|--version] COMMAND [ARGUMENT]...",
    "  selftest                  run the AES known answer and the module's power-up\n"
    "                            self-tests (code integrity, AES, triple-DES, SHA-1, RSA,\n"
    "                            HMAC); prints pass or FAIL for each\n"
    "  demo                      a short demonstration: AES-256-CBC, MD5 and SHA-1, HMAC-SHA-1,\n"
    "                            a Diffie-Hellman agreement on group 2 and an RSA signature\n"
    "                            block, each checked\n"
    "  digest md5|sha1 [FILE]... the digest of each file, \"<hex>  <file>\" per line; standard\n"
    "                            input when FILE is - or absent\n"
    "  cert [--pkcs7 OUT] FILE   subject, issuer and RSA key size of each certificate in a\n"
    "                            DER or PEM file; --pkcs7 writes the PKCS #7 message (DER)\n"
    "                            carrying the file's one certificate to OUT (- for standard\n"
    "                            output)\n"
    "  profile FILE PASSWORD     reads the five items of a credential profile and prints\n"
    "                            each one's size or status (never its contents); a\n"
    "                            PASSWORD of - is read from standard input (typed without\n"
    "                            echo at a terminal)\n"
    "  profile create OUT --password-file FILE [OPTION]...\n"
    "                            makes a credential profile from certificates and RSA\n"
    "                            private keys, sealed with the password\n"
    "  rawrsa wrap KEYFILE HEX   wraps the bytes with the key file's public key: the key's\n"
    "                            tag, the bit count and the number, as hex\n"
    "  rawrsa unwrap KEYFILE HEX unwraps such an envelope with the key file's private key\n"
    "                            and prints the plain bytes as hex\n"
    "  rawrsa keyfile OUT --key KEY --tag TAG\n"
    "                            adds an RSA private key's component lines to a key file\n"
    "The files made are written whole or not at all, with mode 0600, and never through a\n"
    "link; keys and passwords are wiped from memory once used.\n"
    "Every command takes --help and --version; -- ends the options.\n"
    "exit status: 0 success, 1 a file, item, decoding, check or write failed, 2 wrong usage\n"};

constexpr Subcommand kCommands[] = {
    {"selftest", quillon::cli::SelfTestCommand}, {"demo", quillon::cli::DemoCommand},
    {"digest", quillon::cli::DigestCommand},     {"cert", quillon::cli::CertCommand},
    {"profile", quillon::cli::ProfileCommand},   {"rawrsa", quillon::cli::RawRsaCommand},
};

int RunQuillon(int argc, char** argv) {
    CommandLine line = CommandLine::OfSubcommands(kHelp, argc, argv, "h");
    const int option = line.NextOption();
    if (option != 'h' && option != CommandLine::kEnd) return line.ExitStatus();
    const quillon::cli::Arguments operands = line.Operands();
    // -h and "quillon help" as well, as before every command took --help.
    if (option == 'h' || (operands.size() == 1 && std::strcmp(operands[0], "help") == 0)) {
        line.PrintHelp();
        return quillon::cli::kExitOk;
    }
    return line.RunSubcommand(kCommands);
}

}  // namespace

int main(int argc, char** argv) {
    quillon::cli::InstallInterruptionHandlers();
    const int status = RunQuillon(argc, argv);
    return quillon::cli::CloseStandardOutput() ? status : quillon::cli::kExitFailure;
}
