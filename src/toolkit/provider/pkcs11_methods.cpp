// The PKCS #11 token methods of the provider's list: one token RSA kind, signing and encryption
// on the encrypt side, verification and decryption on the decrypt side, each through the token's
// PKCS #1 v1.5 mechanism and its raw one. No operation of the module asks for the token RSA kind,
// so they are listed for the search order and answer "not supported".
#include "toolkit/methods/primitives.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit {

constinit const Method kPkcs11SignMethod = {InfoTokenRsa, kEncryptSide, nullptr,
                                            &kUnsupportedPrimitives};
constinit const Method kPkcs11VerifyMethod = {InfoTokenRsa, kDecryptSide, nullptr,
                                              &kUnsupportedPrimitives};
constinit const Method kPkcs11EncryptMethod = {InfoTokenRsa, kEncryptSide, nullptr,
                                               &kUnsupportedPrimitives};
constinit const Method kPkcs11DecryptMethod = {InfoTokenRsa, kDecryptSide, nullptr,
                                               &kUnsupportedPrimitives};
constinit const Method kPkcs11RawSignMethod = {InfoTokenRsa, kEncryptSide, nullptr,
                                               &kUnsupportedPrimitives};
constinit const Method kPkcs11RawVerifyMethod = {InfoTokenRsa, kDecryptSide, nullptr,
                                                 &kUnsupportedPrimitives};
constinit const Method kPkcs11RawEncryptMethod = {InfoTokenRsa, kEncryptSide, nullptr,
                                                  &kUnsupportedPrimitives};
constinit const Method kPkcs11RawDecryptMethod = {InfoTokenRsa, kDecryptSide, nullptr,
                                                  &kUnsupportedPrimitives};

}  // namespace quillon::toolkit
