// PEM blocks are found by their boundary lines (RFC 7468) and their Base64 decoded strictly:
// whitespace may break the lines, anything else outside the alphabet is an error.
#include "certificate_file.h"

#include <string_view>

namespace quillon::cli {
namespace {

constexpr std::string_view kBegin = "-----BEGIN ";
constexpr std::string_view kLabels[] = {"CERTIFICATE", "X509 CERTIFICATE", "TRUSTED CERTIFICATE"};
// A trusted certificate is the certificate's DER followed by its trust settings.
constexpr std::string_view kTrustedLabel = "TRUSTED CERTIFICATE";
constexpr std::uint8_t kDerSequence = 0x30;

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool Base64Decode(std::string_view text, Bytes& out) {
    out.clear();
    unsigned accumulator = 0;
    int bits = 0, symbols = 0, padding = 0;
    for (const char c : text) {
        if (IsSpace(c)) continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0 || padding > 0) return false;  // nothing may follow the padding
        ++symbols;
        accumulator = (accumulator << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(accumulator >> bits));
            accumulator &= (1u << bits) - 1;
        }
    }
    return symbols % 4 == 0 && padding <= 2 && accumulator == 0;
}

// Size of the DER element at the start (tag, length, contents); 0 when it is cut short or its
// length is not in the definite form.
std::size_t DerElementSize(const Bytes& der) {
    if (der.size() < 2) return 0;
    std::size_t length = der[1], header = 2;
    if ((length & 0x80) != 0) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || der.size() < 2 + count) return 0;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | der[2 + i];
        header += count;
    }
    return der.size() - header < length ? 0 : header + length;
}

}  // namespace

bool CertificatesOfFile(const Bytes& contents, std::vector<Bytes>& certificates,
                        std::string& error) {
    certificates.clear();
    const std::string_view text(reinterpret_cast<const char*>(contents.data()), contents.size());
    if (contents.empty()) {
        error = "empty file, no certificate";
        return false;
    }
    std::size_t at = text.find(kBegin);
    if (at == std::string_view::npos) {
        // No PEM boundary anywhere: DER, which starts with a certificate's SEQUENCE.
        if (contents[0] != kDerSequence) {
            error = "neither a DER certificate nor PEM";
            return false;
        }
        certificates.push_back(contents);
        return true;
    }
    for (; at != std::string_view::npos; at = text.find(kBegin, at)) {
        at += kBegin.size();
        const std::size_t labelEnd = text.find("-----", at);
        if (labelEnd == std::string_view::npos) break;
        const std::string_view label = text.substr(at, labelEnd - at);
        const std::size_t bodyStart = labelEnd + 5;
        const std::string end = "-----END " + std::string(label) + "-----";
        const std::size_t bodyEnd = text.find(end, bodyStart);
        if (bodyEnd == std::string_view::npos) {
            error = "a PEM block \"" + std::string(label) + "\" has no end line";
            return false;
        }
        at = bodyEnd + end.size();
        bool wanted = false;
        for (const std::string_view known : kLabels) wanted = wanted || label == known;
        if (!wanted) continue;  // keys and other blocks beside the certificates
        Bytes der;
        if (!Base64Decode(text.substr(bodyStart, bodyEnd - bodyStart), der)) {
            error = "PEM certificate " + std::to_string(certificates.size() + 1) +
                    " is not valid Base64";
            return false;
        }
        if (label == kTrustedLabel && DerElementSize(der) != 0) der.resize(DerElementSize(der));
        certificates.push_back(std::move(der));
    }
    if (certificates.empty()) {
        error = "no PEM certificate in the file";
        return false;
    }
    return true;
}

}  // namespace quillon::cli
