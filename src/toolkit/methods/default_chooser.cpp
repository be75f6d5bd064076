// The DefaultChooser: the module's one read-only list of methods, searched in this order. The
// first method that fits a slot's kind, the direction and the key wins, so order matters.
// Declared with the toolkit's operations (toolkit.h), it keeps the toolkit's namespace.
#include "toolkit/methods/methods.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {

constinit const Method* const DefaultChooser[20] = {
    &methods::kSha1Method,                   //  1 SHA-1 digest
    &methods::kMd5Method,                    //  2 MD5 digest
    &methods::kRandomFips186Method,          //  3 SHA-1 random generator with optional seed key
    &methods::kRandomMultiStreamMethod,      //  4 SHA-1 generator of the seeded random objects
    &methods::kBlockChainingEncryptMethod,   //  5 block chaining, encrypt side
    &methods::kBlockChainingDecryptMethod,   //  6 block chaining, decrypt side
    &methods::kTripleChainingEncryptMethod,  //  7 triple chaining, encrypt side
    &methods::kTripleChainingDecryptMethod,  //  8 triple chaining, decrypt side
    &methods::kDesEncryptMethod,             //  9 DES, encrypt side (KeyInfoDes)
    &methods::kDesDecryptMethod,             // 10 DES, decrypt side (KeyInfoDes)
    &methods::kAuxiliaryAMethod,             // 11 auxiliary kind A
    &methods::kAuxiliaryBMethod,             // 12 auxiliary kind B
    &methods::kDhParamGenMethod,             // 13 Diffie-Hellman parameter generation
    &methods::kDhKeyAgreeMethod,             // 14 Diffie-Hellman key agreement
    &methods::kRsaMultiPrimeKeyGenMethod,    // 15 RSA key-pair generation
    &methods::kRsaRawPublicEncryptMethod,    // 16 raw RSA, public key, encrypt side
                                             // (KeyInfoRsaPublic)
    &methods::kRsaRawPrivateEncryptMethod,   // 17 raw RSA, private key, encrypt side
                                             // (KeyInfoRsaPrivateCrt)
    &methods::kRsaRawPublicDecryptMethod,    // 18 raw RSA, public key, decrypt side
    &methods::kRsaRawPrivateDecryptMethod,   // 19 raw RSA, private key, decrypt side
    nullptr,
};

}  // namespace quillon::toolkit
