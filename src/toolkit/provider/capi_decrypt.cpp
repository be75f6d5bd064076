// Decryption through CryptoAPI, which never hands out a decrypted block: the ciphertext goes in as
// an encrypted session key (a SIMPLEBLOB under the user's key) and comes out again exported under
// a public key whose exponent is one, which leaves the PKCS #1 block of the session key in clear.
// Its data are returned in a fresh block of type 2 for the PKCS #1 layer to remove.
#include <cstring>

#include "support/secure_wipe.h"
#include "toolkit/provider/capi_session.h"
#include "toolkit/rsa_records.h"
#include "toolkit/status.h"

namespace quillon::toolkit::provider {
namespace {

constexpr std::uint32_t kBlobHeaderLength = 12;  // BLOBHEADER and the wrapping algorithm
constexpr std::uint32_t kExponentOneModulusLength = 64;
constexpr std::uint8_t kFiller = 0xB0;

// PUBLICKEYBLOB: BLOBHEADER {PUBLICKEYBLOB, version 2, CALG_RSA_KEYX}, RSAPUBKEY {"RSA1", 512
// bits, exponent 1} and a 512-bit modulus, least significant byte first. Any modulus above every
// 64-byte PKCS #1 block serves, since the exponent leaves the block as it is.
constexpr std::uint8_t kExponentOneBlob[84] = {
    0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00, 0x52, 0x53, 0x41, 0x31, 0x00, 0x02,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x23, 0x2C, 0xBE, 0x3D, 0xD4, 0xCB, 0xFB, 0xF5,
    0x3F, 0x4E, 0x37, 0xD2, 0x23, 0x7E, 0x72, 0xF7, 0x76, 0xDA, 0x2E, 0xD4, 0x0E, 0x68,
    0x47, 0x84, 0x83, 0x11, 0x19, 0x97, 0x22, 0xBC, 0x31, 0xCD, 0x07, 0xCE, 0xCF, 0xE6,
    0x68, 0xD1, 0xFA, 0x79, 0xC3, 0x30, 0x50, 0x3B, 0x18, 0x19, 0xB2, 0x5A, 0xB6, 0x7C,
    0x22, 0xC3, 0x4C, 0x32, 0xBD, 0x74, 0x55, 0x50, 0x10, 0xC8, 0xB5, 0xBA, 0xDC, 0xD3};

void PutLittleEndian32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// SIMPLEBLOB header: BLOBHEADER {SIMPLEBLOB, version 2, session-key algorithm} and the
// algorithm that wraps the key.
void PutSimpleBlobHeader(std::uint8_t* blob, capi::Dword sessionAlgorithm) {
    blob[0] = capi::kSimpleBlob;
    blob[1] = capi::kBlobVersion;
    blob[2] = blob[3] = 0;
    PutLittleEndian32(blob + 4, sessionAlgorithm);
    PutLittleEndian32(blob + 8, capi::kCalgRsaKeyExchange);
}

// Working buffers wiped whatever the way out; the handles destroyed.
struct Unwrap {
    const capi::Functions& f;
    capi::Handle exponentOne = 0;
    capi::Handle sessionKey = 0;
    std::uint8_t wrapped[kBlobHeaderLength + kRsaMaxModulusBytes] = {};
    std::uint8_t exported[kBlobHeaderLength + kExponentOneModulusLength] = {};
    explicit Unwrap(const capi::Functions& functions) : f(functions) {}
    Unwrap(const Unwrap&) = delete;
    Unwrap& operator=(const Unwrap&) = delete;
    ~Unwrap() {
        if (sessionKey != 0) f.destroyKey(sessionKey);
        if (exponentOne != 0) f.destroyKey(exponentOne);
        support::SecureWipe(wrapped, sizeof wrapped);
        support::SecureWipe(exported, sizeof exported);
    }
};

}  // namespace

MethodStatus CapiDecryptBlock(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                              std::uint32_t maxLength, const std::uint8_t* in,
                              std::uint32_t inLength) {
    const auto& bound = *static_cast<const CapiBoundKey*>(context);
    CapiSession& session = *bound.session;
    const std::uint32_t k = bound.modulusLength;
    if (inLength != k) return method::kLengthOutOfRange;
    if (maxLength < k) return method::kOutputTooSmall;
    Unwrap unwrap(session.functions);
    const capi::Functions& f = session.functions;

    if (!f.importKey(bound.provider, kExponentOneBlob, sizeof kExponentOneBlob, 0, 0,
                     &unwrap.exponentOne)) {
        unwrap.exponentOne = 0;
        return CapiFailure(session);
    }
    PutSimpleBlobHeader(unwrap.wrapped, capi::kCalgRc4);
    std::memcpy(unwrap.wrapped + kBlobHeaderLength, in, k);
    CapiReverse(unwrap.wrapped + kBlobHeaderLength, k);
    const capi::Dword wrappedLength = kBlobHeaderLength + k;
    // A payload too long for an RC4 key is tried as a triple-DES key.
    if (!f.importKey(bound.provider, unwrap.wrapped, wrappedLength, bound.userKey,
                     capi::kExportable, &unwrap.sessionKey)) {
        PutSimpleBlobHeader(unwrap.wrapped, capi::kCalg3Des);
        if (!f.importKey(bound.provider, unwrap.wrapped, wrappedLength, bound.userKey,
                         capi::kExportable, &unwrap.sessionKey)) {
            unwrap.sessionKey = 0;
            return CapiFailure(session);
        }
    }
    capi::Dword exportedLength = sizeof unwrap.exported;
    if (!f.exportKey(unwrap.sessionKey, unwrap.exponentOne, capi::kSimpleBlob, 0, unwrap.exported,
                     &exportedLength)) {
        return CapiFailure(session);
    }
    if (exportedLength != sizeof unwrap.exported) return method::kDataMalformed;

    // The exported block, big-endian: 0x00 0x02, non-zero padding, 0x00, the data.
    std::uint8_t* block = unwrap.exported + kBlobHeaderLength;
    CapiReverse(block, kExponentOneModulusLength);
    if (block[0] != 0x00 || block[1] != 0x02) return method::kDataMalformed;
    const auto* separator = static_cast<const std::uint8_t*>(
        std::memchr(block + 2, 0x00, kExponentOneModulusLength - 2));
    if (separator == nullptr) return method::kDataMalformed;
    const auto dataLength =
        static_cast<std::uint32_t>(block + kExponentOneModulusLength - separator - 1);
    // Room for 0x00 0x02, the filler and the separator, as every modulus CryptoAPI keys have.
    if (dataLength + 11 > k) return method::kDataMalformed;
    out[0] = 0x00;
    out[1] = 0x02;
    std::memset(out + 2, kFiller, k - 3 - dataLength);
    out[k - 1 - dataLength] = 0x00;
    std::memcpy(out + k - dataLength, separator + 1, dataLength);
    *outLength = k;
    return method::kOk;
}

}  // namespace quillon::toolkit::provider
