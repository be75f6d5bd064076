// Signing through CryptoAPI: the encrypt side of the raw private-key kind receives a whole PKCS #1
// block of type 1, whose payload CryptoAPI signs as a hash value. CryptoAPI builds the block
// again itself, so only hashes it knows can pass: MD5 and SHA-1, with their DigestInfo or bare.
#include <cstring>
#include <initializer_list>

#include "toolkit/provider/capi_session.h"
#include "toolkit/status.h"

namespace quillon::toolkit::provider {
namespace {

// The DigestInfo prefixes of PKCS #1 v2.2 (RFC 8017 section 9.2, note 1).
constexpr std::uint8_t kMd5Prefix[] = {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                       0x86, 0xF7, 0x0D, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};
constexpr std::uint8_t kSha1Prefix[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                        0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
constexpr std::uint32_t kMd5Length = 16;
constexpr std::uint32_t kSha1Length = 20;
// 0x00 0x01, eight 0xFF, 0x00 and the shorter DigestInfo (MD5): the least a block can hold.
constexpr std::uint32_t kMinimumBlock = 45;

struct HashToSign {
    capi::Dword algorithm;
    const std::uint8_t* value;
    capi::Dword flags;
};

// The payload of a type-1 block: kLengthOutOfRange for a short block, kDataMalformed for any
// other deviation.
MethodStatus ReadBlock(const std::uint8_t* in, std::uint32_t length, HashToSign& hash) {
    if (length < kMinimumBlock) return method::kLengthOutOfRange;
    if (in[0] != 0x00 || in[1] != 0x01) return method::kDataMalformed;
    std::uint32_t at = 2;
    while (at < length && in[at] == 0xFF) ++at;
    if (at == 2 || at == length || in[at] != 0x00) return method::kDataMalformed;
    const std::uint8_t* payload = in + at + 1;
    const std::uint32_t payloadLength = length - at - 1;
    if (payloadLength == sizeof kMd5Prefix + kMd5Length &&
        std::memcmp(payload, kMd5Prefix, sizeof kMd5Prefix) == 0) {
        hash = {capi::kCalgMd5, payload + sizeof kMd5Prefix, 0};
    } else if (payloadLength == sizeof kSha1Prefix + kSha1Length &&
               std::memcmp(payload, kSha1Prefix, sizeof kSha1Prefix) == 0) {
        hash = {capi::kCalgSha1, payload + sizeof kSha1Prefix, 0};
    } else if (payloadLength == kMd5Length) {
        hash = {capi::kCalgMd5, payload, capi::kNoHashOid};
    } else if (payloadLength == kSha1Length) {
        hash = {capi::kCalgSha1, payload, capi::kNoHashOid};
    } else {
        return method::kDataMalformed;
    }
    return method::kOk;
}

// Signs with the signature key, else with the exchange key; a signature larger than the
// modulus is kOutputTooSmall.
MethodStatus Sign(CapiSession& session, capi::Handle hash, const HashToSign& toSign,
                  std::uint8_t* out, capi::Dword& length) {
    const capi::Functions& f = session.functions;
    const capi::Dword capacity = length;
    for (const capi::Dword keySpec : {capi::kAtSignature, capi::kAtKeyExchange}) {
        length = capacity;
        if (f.signHash(hash, keySpec, nullptr, toSign.flags, out, &length)) return method::kOk;
        const MethodStatus status = CapiFailure(session);
        if (session.lastError == capi::kErrorMoreData) return method::kOutputTooSmall;
        if (keySpec == capi::kAtKeyExchange) return status;
    }
    return method::kDeviceFailure;
}

}  // namespace

MethodStatus CapiSignBlock(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                           std::uint32_t maxLength, const std::uint8_t* in,
                           std::uint32_t inLength) {
    const auto& bound = *static_cast<const CapiBoundKey*>(context);
    CapiSession& session = *bound.session;
    const capi::Functions& f = session.functions;
    HashToSign toSign{};
    if (const MethodStatus status = ReadBlock(in, inLength, toSign); status != method::kOk) {
        return status;
    }
    const std::uint32_t k = bound.modulusLength;
    if (maxLength < k) return method::kOutputTooSmall;
    capi::Handle hash = 0;
    if (!f.createHash(bound.provider, toSign.algorithm, 0, 0, &hash)) return CapiFailure(session);
    capi::Dword length = k;
    MethodStatus status = method::kOk;
    if (!f.setHashParam(hash, capi::kHashValue, toSign.value, 0)) {
        status = CapiFailure(session);
    } else {
        status = Sign(session, hash, toSign, out, length);
    }
    f.destroyHash(hash);
    if (status != method::kOk) return status;
    // Least significant byte first from CryptoAPI; big-endian and exactly k bytes out.
    CapiReverse(out, length);
    if (length < k) {
        std::memmove(out + (k - length), out, length);
        std::memset(out, 0, k - length);
    }
    *outLength = k;
    return method::kOk;
}

}  // namespace quillon::toolkit::provider
