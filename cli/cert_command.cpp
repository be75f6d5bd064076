// quillon cert [--pkcs7 OUT] FILE: the subject, issuer and RSA key size of each certificate in
// a DER or PEM file, read through the module's certificate exports; --pkcs7 writes the
// certificates-only PKCS #7 message that carries the file's one certificate. The description
// goes to standard output, or to standard error when the message does.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "certificate_file.h"
#include "command_line.h"
#include "commands.h"
#include "escaped_text.h"
#include "quillon.h"
#include "terminal.h"

namespace quillon::cli {
namespace {

const char* CertStatusMeaning(int32_t status) {
    switch (static_cast<uint32_t>(status)) {
        case CERT_E_NO_MEMORY:
            return "out of memory";
        case CERT_E_INCONSISTENT:
            return "inner and outer signature algorithms differ";
        case CERT_E_DATA:
            return "not a certificate";
        case CERT_E_LENGTH:
            return "cut short";
        case CERT_E_VALIDITY_ORDER:
            return "validity starts after it ends";
        case CERT_E_NOT_CERTIFICATE:
            return "no certificate";
        case 0x21E:
            return "the key is not RSA";
        default:
            return "failed";
    }
}

void PrintName(std::FILE* report, const char* label, const char* name, int32_t status) {
    if (name != nullptr) {
        std::fprintf(report, "  %-8s %s\n", label, EscapedText(name).c_str());
    } else {
        std::fprintf(report, "  %-8s (no text: status %s)\n", label, StatusText(status).c_str());
    }
}

// Number of significant bits in a big-endian number without leading zero bytes.
uint32_t BitLength(const uint8_t* number, uint32_t length) {
    if (length == 0) return 0;
    uint32_t bits = 8 * length;
    for (uint8_t top = number[0]; (top & 0x80) == 0 && bits > 0; top <<= 1) --bits;
    return bits;
}

void PrintRsaKey(std::FILE* report, CertHandle* certificate) {
    KeyOwner key;
    const int32_t status = RsaKeyFromCertificate(key.Receive(), certificate);
    if (status != 0) {
        std::fprintf(report, "  %-8s %s (status %s)\n", "key", CertStatusMeaning(status),
                     StatusText(status).c_str());
        return;
    }
    // Room for the largest moduli in use (16384 bits) and any exponent that goes with them.
    static uint8_t modulus[2048], exponent[2048];
    uint32_t modulusLength = sizeof modulus, exponentLength = sizeof exponent;
    if (RsaGetKeyInfo(key, modulus, &modulusLength, exponent, &exponentLength) != 0) {
        std::fprintf(report, "  %-8s RSA, larger than this command shows\n", "key");
    } else if (exponentLength <= 8) {
        unsigned long long e = 0;
        for (uint32_t i = 0; i < exponentLength; ++i) e = (e << 8) | exponent[i];
        std::fprintf(report, "  %-8s RSA, %u-bit modulus, exponent %llu\n", "key",
                     BitLength(modulus, modulusLength), e);
    } else {
        std::fprintf(report, "  %-8s RSA, %u-bit modulus, exponent 0x%s\n", "key",
                     BitLength(modulus, modulusLength), HexText(exponent, exponentLength).c_str());
    }
}

// To a file, or to standard output for "-" (checked with the rest of it when it is closed).
bool WritePkcs7(std::FILE* report, CertHandle* certificate, std::size_t derLength,
                const char* path) {
    // The message is the certificate in a few small wrappers.
    Bytes message(derLength + 4096);
    uint32_t capacity = static_cast<uint32_t>(message.size());
    if (CertBuildPkcs7(message.data(), &capacity, certificate) != 0) {
        std::fprintf(stderr, "quillon: the PKCS #7 message could not be made\n");
        return false;
    }
    const bool toStandardOutput = std::strcmp(path, "-") == 0;
    if (toStandardOutput) {
        SetBinaryMode(stdout);
        if (std::fwrite(message.data(), 1, capacity, stdout) != capacity) return false;
        std::fprintf(report, "PKCS #7 message of %u bytes written to standard output\n", capacity);
        return true;
    }
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(message.data(), 1, capacity, out) == capacity;
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::fprintf(report, "PKCS #7 message of %u bytes written to %s\n", capacity, path);
    return true;
}

}  // namespace

int CertCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon cert", "[--pkcs7 OUT] FILE",
        "For each certificate of a DER file, or of the PEM blocks CERTIFICATE, X509 CERTIFICATE\n"
        "and TRUSTED CERTIFICATE of a file (- for standard input): its subject and issuer, and\n"
        "the size and exponent of its RSA key. Control characters and bytes that are not UTF-8\n"
        "in a name are shown as \\XX (hex). A certificate that cannot be read is reported on\n"
        "standard error and makes the exit status 1.\n"
        "  -p, --pkcs7=OUT  write the PKCS #7 message (DER) carrying the file's one certificate\n"
        "                   to OUT; with OUT -, to standard output, and the description then\n"
        "                   goes to standard error\n"};
    static constexpr option kOptions[] = {{"pkcs7", required_argument, nullptr, 'p'}};
    CommandLine line(kHelp, argc, argv, "p:", kOptions);
    const char* pkcs7Path = nullptr;
    for (int option; (option = line.NextOption()) != CommandLine::kEnd;) {
        if (option != 'p') return line.ExitStatus();
        pkcs7Path = line.Argument();
    }
    const Arguments operands = line.Operands();
    if (operands.empty()) return line.UsageError("no file given");
    if (operands.size() > 1) return line.UsageError("one file only; '%s' is one more", operands[1]);
    const char* path = operands[0];
    std::FILE* report = pkcs7Path != nullptr && std::strcmp(pkcs7Path, "-") == 0 ? stderr : stdout;
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return kExitFailure;
    std::vector<Bytes> certificates;
    std::string error;
    if (!CertificatesOfFile(contents, certificates, error)) {
        std::fprintf(stderr, "quillon: %s: %s\n", path, error.c_str());
        return kExitFailure;
    }
    if (pkcs7Path != nullptr && certificates.size() != 1) {
        std::fprintf(stderr, "quillon: %s: --pkcs7 needs a file with one certificate, not %zu\n",
                     path, certificates.size());
        return kExitFailure;
    }
    int status = kExitOk;
    for (std::size_t i = 0; i < certificates.size(); ++i) {
        const Bytes& der = certificates[i];
        CertOwner certificate;
        // Files are read whole up to kMaxFileSize, far below 4 GiB.
        const int32_t created =
            CertCreateFromDer(certificate.Receive(), der.data(), static_cast<uint32_t>(der.size()));
        if (created != 0) {
            std::fprintf(stderr, "quillon: %s: certificate %zu cannot be read: %s (status %s)\n",
                         path, i + 1, CertStatusMeaning(created), StatusText(created).c_str());
            status = kExitFailure;
            continue;
        }
        std::fprintf(report, "certificate %zu (%zu bytes)\n", i + 1, der.size());
        const char *subject = nullptr, *issuer = nullptr;
        const int32_t named = CertGetNames(&subject, &issuer, certificate);
        PrintName(report, "subject", subject, named);
        PrintName(report, "issuer", issuer, named);
        PrintRsaKey(report, certificate);
        if (pkcs7Path != nullptr && !WritePkcs7(report, certificate, der.size(), pkcs7Path)) {
            status = kExitFailure;
        }
    }
    return status;
}

}  // namespace quillon::cli
