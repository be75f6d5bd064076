#include "private_key_file.h"

#include <string_view>

#include "pem_text.h"

namespace quillon::cli {
namespace {

// PrivateKeyInfo { version 0, rsaEncryption with NULL parameters, OCTET STRING RSAPrivateKey }.
void WritePrivateKeyInfo(der::DerWriter& writer, const Bytes& rsaPrivateKey) {
    writer.BeginSequence();
    writer.WriteSmallInteger(0);
    writer.BeginSequence();
    writer.WriteOid(der::kOidRsaEncryption.contents());
    writer.WritePrimitive(der::kDerNull, {});
    writer.End();
    writer.WriteOctetString(rsaPrivateKey);
    writer.End();
}

bool WrapRsaPrivateKey(const Bytes& rsaPrivateKey, Bytes& pkcs8) {
    der::DerWriter measure;
    WritePrivateKeyInfo(measure, rsaPrivateKey);
    std::size_t size = 0;
    if (measure.Finish(size) != der::DerStatus::kOk) return false;
    pkcs8.assign(size, 0);
    der::DerWriter writer(pkcs8);
    WritePrivateKeyInfo(writer, rsaPrivateKey);
    return writer.Finish(size) == der::DerStatus::kOk && size == pkcs8.size();
}

bool Decodes(const Bytes& pkcs8, toolkit::kinds::RsaPrivateParts& parts) {
    return toolkit::kinds::DecodeRsaPrivateKeyInfo(pkcs8, parts) == toolkit::kOk;
}

}  // namespace

bool RsaPrivateKeyOfFile(const Bytes& contents, Bytes& pkcs8,
                         toolkit::kinds::RsaPrivateParts& parts, std::string& error) {
    const std::string_view text(reinterpret_cast<const char*>(contents.data()), contents.size());
    Bytes der = contents;
    bool pkcs1 = false;
    if (HasPemBlock(text)) {
        std::vector<PemBlock> blocks;
        if (!PemBlocksOf(text, blocks, error)) return false;
        const PemBlock* key = nullptr;
        for (const PemBlock& block : blocks) {
            if (block.label == "PRIVATE KEY" || block.label == "RSA PRIVATE KEY") {
                key = &block;
                break;
            }
        }
        if (key == nullptr) {
            error =
                "no PEM \"PRIVATE KEY\" or \"RSA PRIVATE KEY\" block (an encrypted key must "
                "be decrypted first)";
            return false;
        }
        if (!PemDecode(key->body, der)) {
            error = "the PEM key is not valid Base64";
            return false;
        }
        pkcs1 = key->label == "RSA PRIVATE KEY";
    }
    // DER may be either form: PKCS #8 first, then PKCS #1 wrapped into it.
    if (!pkcs1) {
        pkcs8 = der;
        if (Decodes(pkcs8, parts)) return true;
    }
    if (WrapRsaPrivateKey(der, pkcs8) && Decodes(pkcs8, parts)) return true;
    pkcs8.clear();
    error = "not an RSA private key (PKCS #8 or PKCS #1, PEM or DER)";
    return false;
}

}  // namespace quillon::cli
