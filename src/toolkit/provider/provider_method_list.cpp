// The provider's method list, searched in this order, and its token method list. The CryptoAPI
// methods stand ahead of the software private-key methods and need the CryptoAPI key-reference
// form, so a key holding such a reference is served through CryptoAPI and any other private key
// in software.
#include "toolkit/methods/methods.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {

constinit const Method* const kProviderMethods[kProviderMethodCount] = {
    &methods::kSha1Method,           //  1 SHA-1 digest
    &methods::kRandomFips186Method,  //  2 SHA-1 random generator with optional seed key
    &kCapiEncryptMethod,             //  3 raw RSA private, encrypt side (CryptoAPI key reference)
    &kCapiDecryptMethod,             //  4 raw RSA private, decrypt side (CryptoAPI key reference)
    &methods::kRsaRawPrivateEncryptMethod,   //  5 raw RSA private (CRT form), encrypt side
    &methods::kRsaRawPrivateDecryptMethod,   //  6 raw RSA private (CRT form), decrypt side
    &methods::kRsaRawPublicEncryptMethod,    //  7 raw RSA public, encrypt side
    &methods::kRsaRawPublicDecryptMethod,    //  8 raw RSA public, decrypt side
    &methods::kBlockChainingEncryptMethod,   //  9 block chaining, encrypt side
    &methods::kBlockChainingDecryptMethod,   // 10 block chaining, decrypt side
    &methods::kTripleChainingEncryptMethod,  // 11 triple chaining, encrypt side
    &methods::kTripleChainingDecryptMethod,  // 12 triple chaining, decrypt side
    &methods::kDesEncryptMethod,             // 13 DES, encrypt side (KeyInfoDes)
    &methods::kDesDecryptMethod,             // 14 DES, decrypt side (KeyInfoDes)
    &kByteKeyedAEncryptMethod,               // 15 byte-keyed kind A, encrypt side (KeyInfoItem)
    &kByteKeyedADecryptMethod,               // 16 byte-keyed kind A, decrypt side
    &kByteKeyedBEncryptMethod,               // 17 byte-keyed kind B, encrypt side
    &kByteKeyedBDecryptMethod,               // 18 byte-keyed kind B, decrypt side
    &kByteKeyedCEncryptMethod,               // 19 byte-keyed kind C, encrypt side
    &kByteKeyedCDecryptMethod,               // 20 byte-keyed kind C, decrypt side
    &methods::kMd5Method,                    // 21 MD5 digest
    &kKeylessAuxiliaryMethod,                // 22 keyless auxiliary kind
    &kPkcs11SignMethod,                      // 23 PKCS #11 token: sign, encrypt side
    &kPkcs11VerifyMethod,                    // 24 PKCS #11 token: verify, decrypt side
    &kPkcs11EncryptMethod,                   // 25 PKCS #11 token: encrypt, encrypt side
    &kPkcs11DecryptMethod,                   // 26 PKCS #11 token: decrypt, decrypt side
    &kPkcs11RawSignMethod,                   // 27-30 the same through the token's raw mechanism
    &kPkcs11RawVerifyMethod,
    &kPkcs11RawEncryptMethod,
    &kPkcs11RawDecryptMethod,
};

constinit const TokenMethod* const kProviderTokens[kProviderTokenCount] = {&kCapiEncryptToken,
                                                                           &kCapiDecryptToken};

}  // namespace quillon::toolkit::provider
