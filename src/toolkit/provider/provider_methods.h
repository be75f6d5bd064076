// The methods of the provider's chooser: its method list of thirty in search order, its token
// method list, and the kinds and key forms that only the provider's methods use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/provider/token_chooser.h"

namespace quillon::toolkit::provider {

inline constexpr std::size_t kProviderMethodCount = 30;
extern const Method* const kProviderMethods[kProviderMethodCount];

inline constexpr std::size_t kProviderTokenCount = 2;
extern const TokenMethod* const kProviderTokens[kProviderTokenCount];

// Kinds of the provider list that no operation of the module creates: three kinds keyed by a
// plain byte string, one keyless kind, and the kind of the PKCS #11 token methods.
std::int32_t InfoByteKeyedA(const void** descriptor);
std::int32_t InfoByteKeyedB(const void** descriptor);
std::int32_t InfoByteKeyedC(const void** descriptor);
std::int32_t InfoKeylessAuxiliary(const void** descriptor);
std::int32_t InfoTokenRsa(const void** descriptor);

// A plain byte-string key (record: Item), the key form of the byte-keyed kinds.
std::int32_t KeyInfoItem(const void** descriptor);

// The methods of those kinds; they keep their place in the search order and answer "not
// supported".
extern const Method kByteKeyedAEncryptMethod;
extern const Method kByteKeyedADecryptMethod;
extern const Method kByteKeyedBEncryptMethod;
extern const Method kByteKeyedBDecryptMethod;
extern const Method kByteKeyedCEncryptMethod;
extern const Method kByteKeyedCDecryptMethod;
extern const Method kKeylessAuxiliaryMethod;

// The CryptoAPI token methods: raw RSA with the private key, encrypt and decrypt side, for keys
// given as a CryptoAPI key reference.
std::int32_t KeyInfoCapiReference(const void** descriptor);
extern const Method kCapiEncryptMethod;
extern const Method kCapiDecryptMethod;
extern const TokenMethod kCapiEncryptToken;
extern const TokenMethod kCapiDecryptToken;

// The eight PKCS #11 token methods of the token RSA kind: signing, verification, encryption and
// decryption with a key on a token, through the token's PKCS #1 v1.5 mechanism and its raw one.
extern const Method kPkcs11SignMethod;
extern const Method kPkcs11VerifyMethod;
extern const Method kPkcs11EncryptMethod;
extern const Method kPkcs11DecryptMethod;
extern const Method kPkcs11RawSignMethod;
extern const Method kPkcs11RawVerifyMethod;
extern const Method kPkcs11RawEncryptMethod;
extern const Method kPkcs11RawDecryptMethod;

}  // namespace quillon::toolkit::provider
