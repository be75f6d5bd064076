#include "certificate_file.h"

#include <string_view>

#include "pem_text.h"

namespace quillon::cli {
namespace {

constexpr std::string_view kLabels[] = {"CERTIFICATE", "X509 CERTIFICATE", "TRUSTED CERTIFICATE"};
// A trusted certificate is the certificate's DER followed by its trust settings.
constexpr std::string_view kTrustedLabel = "TRUSTED CERTIFICATE";
constexpr std::uint8_t kDerSequence = 0x30;

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
    if (!HasPemBlock(text)) {
        // No PEM boundary anywhere: DER, which starts with a certificate's SEQUENCE.
        if (contents[0] != kDerSequence) {
            error = "neither a DER certificate nor PEM";
            return false;
        }
        certificates.push_back(contents);
        return true;
    }
    std::vector<PemBlock> blocks;
    if (!PemBlocksOf(text, blocks, error)) return false;
    for (const PemBlock& block : blocks) {
        bool wanted = false;
        for (const std::string_view known : kLabels) wanted = wanted || block.label == known;
        if (!wanted) continue;  // keys and other blocks beside the certificates
        Bytes der;
        if (!PemDecode(block.body, der)) {
            error = "PEM certificate " + std::to_string(certificates.size() + 1) +
                    " is not valid Base64";
            return false;
        }
        if (block.label == kTrustedLabel && DerElementSize(der) != 0) {
            der.resize(DerElementSize(der));
        }
        certificates.push_back(std::move(der));
    }
    if (certificates.empty()) {
        error = "no PEM certificate in the file";
        return false;
    }
    return true;
}

}  // namespace quillon::cli
