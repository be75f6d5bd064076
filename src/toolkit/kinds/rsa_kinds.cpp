// The RSA kinds the DefaultChooser names: the key-generation and raw RSA algorithm kinds, only
// searched for in a chooser. The key forms are in rsa_key_forms.cpp, the kinds callers set in
// rsa_pkcs_handler.cpp and rsa_key_gen_handler.cpp.
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr AlgInfoDescriptor kRsaMultiPrimeKeyGen = SearchOnlyKind("RSA multi-prime key generation");
constexpr AlgInfoDescriptor kRsaRawPublic = SearchOnlyKind("raw RSA, public key");
constexpr AlgInfoDescriptor kRsaRawPrivate = SearchOnlyKind("raw RSA, private key");

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoRsaMultiPrimeKeyGen(const void** descriptor) {
    return DescribeAlgKind(kinds::kRsaMultiPrimeKeyGen, descriptor);
}

std::int32_t InfoRsaRawPublic(const void** descriptor) {
    return DescribeAlgKind(kinds::kRsaRawPublic, descriptor);
}

std::int32_t InfoRsaRawPrivate(const void** descriptor) {
    return DescribeAlgKind(kinds::kRsaRawPrivate, descriptor);
}

}  // namespace quillon::toolkit
