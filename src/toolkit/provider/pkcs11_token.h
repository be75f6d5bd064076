// The PKCS #11 token methods: RSA with a key kept on a token, for signing, verification,
// encryption and decryption, through the token's PKCS #1 v1.5 mechanism or its raw one.
#pragma once

#include <cstdint>

#include "toolkit/provider/pkcs11_session.h"

namespace quillon::toolkit::provider {

enum class TokenOperation : std::uint32_t { kSign, kVerify, kEncrypt, kDecrypt };

// The primitive table of a token method.
struct TokenRsaPrimitives {
    TokenOperation operation;
    CK_MECHANISM_TYPE mechanism;  // CKM_RSA_PKCS or CKM_RSA_X_509
};

// The record of KeyInfoPkcs11Key: the token that holds the key and the key's label (its private
// key for signing and decryption, its public key for verification and encryption).
struct Pkcs11KeyReference {
    Pkcs11TokenConfig token;
    const char* keyLabel;
};
std::int32_t KeyInfoPkcs11Key(const void** descriptor);

// Runs a token method's operation with the key labelled keyLabel in an open session. Signing,
// encryption and decryption write out (*outLength bytes, at most maxLength); verification checks
// the signature given in out (*outLength bytes) against in and reports it in *valid. kOk, or
// kDeviceFailure for any token failure; a signature the token finds invalid is kOk with *valid
// false.
[[nodiscard]] MethodStatus Pkcs11Run(Pkcs11Session& session, const TokenRsaPrimitives& method,
                                     const char* keyLabel, const std::uint8_t* in,
                                     std::uint32_t inLength, std::uint8_t* out,
                                     std::uint32_t* outLength, std::uint32_t maxLength,
                                     bool* valid);

}  // namespace quillon::toolkit::provider
