// Raw RSA with the public key (KeyInfoRsaPublic) and with the private key in Chinese-remainder
// form (KeyInfoRsaPrivateCrt), encrypt and decrypt sides, modulus at most 4096 bits. Until the
// arithmetic arrives they answer "not supported": replace this file with the real methods.
#include "toolkit/methods/methods.h"

namespace quillon::toolkit {

constinit const Method kRsaRawPublicEncryptMethod = {InfoRsaRawPublic, kEncryptSide,
                                                     KeyInfoRsaPublic, &kUnsupportedPrimitives};
constinit const Method kRsaRawPrivateEncryptMethod = {
    InfoRsaRawPrivate, kEncryptSide, KeyInfoRsaPrivateCrt, &kUnsupportedPrimitives};
constinit const Method kRsaRawPublicDecryptMethod = {InfoRsaRawPublic, kDecryptSide,
                                                     KeyInfoRsaPublic, &kUnsupportedPrimitives};
constinit const Method kRsaRawPrivateDecryptMethod = {
    InfoRsaRawPrivate, kDecryptSide, KeyInfoRsaPrivateCrt, &kUnsupportedPrimitives};

}  // namespace quillon::toolkit
