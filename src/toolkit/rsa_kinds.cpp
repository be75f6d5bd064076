// The RSA kinds the DefaultChooser names: the key-generation and raw RSA algorithm kinds (only
// searched for in a chooser) and the two key forms the raw methods ask for. Until the RSA key
// forms arrive, setting them answers "not supported" (0x217) and no other form can be turned
// into them (0x20F): replace this file with the real kinds.
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

constexpr AlgInfoClass kSearchOnlyClass = {SetWithoutParameters, nullptr, nullptr};
constexpr AlgInfoDescriptor kRsaMultiPrimeKeyGen = {&kSearchOnlyClass, nullptr, nullptr,
                                                    "RSA multi-prime key generation"};
constexpr AlgInfoDescriptor kRsaRawPublic = {&kSearchOnlyClass, nullptr, nullptr,
                                             "raw RSA, public key"};
constexpr AlgInfoDescriptor kRsaRawPrivate = {&kSearchOnlyClass, nullptr, nullptr,
                                              "raw RSA, private key"};

Status SetNotSupported(const KeyInfoDescriptor*, KeyObject*, const void*) {
    return kNotSupported;
}

Status GetUnavailable(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

// Distinct objects: their addresses are the kinds' identities.
constinit const KeyInfoDescriptor kRsaPublic = {SetNotSupported, GetUnavailable};
constinit const KeyInfoDescriptor kRsaPrivateCrt = {SetNotSupported, GetUnavailable};

}  // namespace

std::int32_t InfoRsaMultiPrimeKeyGen(const void** descriptor) {
    *descriptor = &kRsaMultiPrimeKeyGen;
    return kAlgorithmInfoCode;
}

std::int32_t InfoRsaRawPublic(const void** descriptor) {
    *descriptor = &kRsaRawPublic;
    return kAlgorithmInfoCode;
}

std::int32_t InfoRsaRawPrivate(const void** descriptor) {
    *descriptor = &kRsaRawPrivate;
    return kAlgorithmInfoCode;
}

std::int32_t KeyInfoRsaPublic(const void** descriptor) {
    *descriptor = &kRsaPublic;
    return kKeyInfoCode;
}

std::int32_t KeyInfoRsaPrivateCrt(const void** descriptor) {
    *descriptor = &kRsaPrivateCrt;
    return kKeyInfoCode;
}

}  // namespace quillon::toolkit
