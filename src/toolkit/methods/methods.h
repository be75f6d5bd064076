// The methods of the DefaultChooser. Each lives in its own file of this folder and is listed in
// search order in default_chooser.cpp. Adding a method: write its file (a Method record pointing
// at a primitive table of primitives.h), declare it here, add it to the chooser.
#pragma once

#include "toolkit/handler.h"
#include "toolkit/methods/primitives.h"

namespace quillon::toolkit::methods {

extern const Method kSha1Method;                  // digest_methods.cpp
extern const Method kMd5Method;                   // digest_methods.cpp
extern const Method kRandomFips186Method;         // fips186_random.cpp
extern const Method kRandomMultiStreamMethod;     // multi_stream_random.cpp
extern const Method kBlockChainingEncryptMethod;  // chaining_methods.cpp
extern const Method kBlockChainingDecryptMethod;
extern const Method kTripleChainingEncryptMethod;
extern const Method kTripleChainingDecryptMethod;
extern const Method kDesEncryptMethod;  // des_method.cpp
extern const Method kDesDecryptMethod;
extern const Method kAuxiliaryAMethod;  // auxiliary_methods.cpp
extern const Method kAuxiliaryBMethod;
extern const Method kDhParamGenMethod;           // dh_param_gen_method.cpp
extern const Method kDhKeyAgreeMethod;           // dh_key_agree_method.cpp
extern const Method kRsaMultiPrimeKeyGenMethod;  // rsa_key_gen_method.cpp
extern const Method kRsaRawPublicEncryptMethod;  // rsa_raw_methods.cpp
extern const Method kRsaRawPrivateEncryptMethod;
extern const Method kRsaRawPublicDecryptMethod;
extern const Method kRsaRawPrivateDecryptMethod;

}  // namespace quillon::toolkit::methods
