// The CryptoAPI token methods: raw RSA with the private key of a CryptoAPI key container, encrypt
// side (signing) and decrypt side. CryptoAPI is reached only through a library loaded at run
// time; where it is missing the methods report "not supported" and take no part.
#include "toolkit/methods/primitives.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit {
namespace {

std::uint32_t NoSession(AlgObject*, const void*, void**, std::uint32_t*) {
    return method::kNotSupported;
}

std::uint32_t NoTransform(const void*, std::uint8_t*, std::uint32_t*, std::uint32_t,
                          const std::uint8_t*, std::uint32_t) {
    return method::kNotSupported;
}

// What the listed methods point at: a session that never opened.
constexpr RsaRawPrimitives kClosedSession = {NoSession, NoTransform};

std::uint32_t OpenCapi(void**) {
    return method::kNotSupported;
}

void CloseCapi(void*) {}

}  // namespace

constinit const Method kCapiEncryptMethod = {InfoRsaRawPrivate, kEncryptSide, KeyInfoCapiReference,
                                             &kClosedSession};
constinit const Method kCapiDecryptMethod = {InfoRsaRawPrivate, kDecryptSide, KeyInfoCapiReference,
                                             &kClosedSession};

// The names carry ".QUILLON_CAPI" and the vendor's reversed domain, an opaque part of them.
constinit const TokenMethod kCapiEncryptToken = {
    &kCapiEncryptMethod, "TOKEN_RSA_CRT_ENCRYPT.QUILLON_CAPI.com.quillon", OpenCapi, CloseCapi};
constinit const TokenMethod kCapiDecryptToken = {
    &kCapiDecryptMethod, "TOKEN_RSA_CRT_DECRYPT.QUILLON_CAPI.com.quillon", OpenCapi, CloseCapi};

}  // namespace quillon::toolkit
