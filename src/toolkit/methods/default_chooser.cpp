// The DefaultChooser: the module's one read-only list of methods, searched in this order. The
// first method that fits a slot's kind, the direction and the key wins, so order matters.
#include "toolkit/methods/methods.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {

constinit const Method* const DefaultChooser[20] = {
    &kSha1Method,                   //  1 SHA-1 digest
    &kMd5Method,                    //  2 MD5 digest
    &kRandomFips186Method,          //  3 SHA-1 random generator with optional seed key
    &kRandomMultiStreamMethod,      //  4 SHA-1 generator of the seeded random objects
    &kBlockChainingEncryptMethod,   //  5 block chaining, encrypt side
    &kBlockChainingDecryptMethod,   //  6 block chaining, decrypt side
    &kTripleChainingEncryptMethod,  //  7 triple chaining, encrypt side
    &kTripleChainingDecryptMethod,  //  8 triple chaining, decrypt side
    &kDesEncryptMethod,             //  9 DES, encrypt side (KeyInfoDes)
    &kDesDecryptMethod,             // 10 DES, decrypt side (KeyInfoDes)
    &kAuxiliaryAMethod,             // 11 auxiliary kind A
    &kAuxiliaryBMethod,             // 12 auxiliary kind B
    &kDhParamGenMethod,             // 13 Diffie-Hellman parameter generation
    &kDhKeyAgreeMethod,             // 14 Diffie-Hellman key agreement
    &kRsaMultiPrimeKeyGenMethod,    // 15 RSA key-pair generation
    &kRsaRawPublicEncryptMethod,    // 16 raw RSA, public key, encrypt side (KeyInfoRsaPublic)
    &kRsaRawPrivateEncryptMethod,   // 17 raw RSA, private key, encrypt side (KeyInfoRsaPrivateCrt)
    &kRsaRawPublicDecryptMethod,    // 18 raw RSA, public key, decrypt side
    &kRsaRawPrivateDecryptMethod,   // 19 raw RSA, private key, decrypt side
    nullptr,
};

}  // namespace quillon::toolkit
