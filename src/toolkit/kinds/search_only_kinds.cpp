// Algorithm kinds that are only searched for in a chooser: the kinds of the building-block
// methods that handlers of other kinds ask for. Their class has no handler constructor; an object
// given one of them cannot be initialised (0x203).
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr AlgInfoClass kSearchOnlyClass = {SetWithoutParameters, nullptr, nullptr};

// kindData names each kind, which also keeps the descriptors distinct objects.
constexpr AlgInfoDescriptor kBlockChaining = {&kSearchOnlyClass, nullptr, nullptr,
                                              "block chaining"};
constexpr AlgInfoDescriptor kTripleChaining = {&kSearchOnlyClass, nullptr, nullptr,
                                               "triple chaining"};
constexpr AlgInfoDescriptor kDes = {&kSearchOnlyClass, nullptr, nullptr, "DES"};
constexpr AlgInfoDescriptor kAuxiliaryA = {&kSearchOnlyClass, nullptr, nullptr, "auxiliary A"};
constexpr AlgInfoDescriptor kAuxiliaryB = {&kSearchOnlyClass, nullptr, nullptr, "auxiliary B"};
constexpr AlgInfoDescriptor kDhParamGen = {&kSearchOnlyClass, nullptr, nullptr,
                                           "Diffie-Hellman parameter generation"};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoBlockChaining(const void** descriptor) {
    *descriptor = &kinds::kBlockChaining;
    return kAlgorithmInfoCode;
}

std::int32_t InfoTripleChaining(const void** descriptor) {
    *descriptor = &kinds::kTripleChaining;
    return kAlgorithmInfoCode;
}

std::int32_t InfoDes(const void** descriptor) {
    *descriptor = &kinds::kDes;
    return kAlgorithmInfoCode;
}

std::int32_t InfoAuxiliaryA(const void** descriptor) {
    *descriptor = &kinds::kAuxiliaryA;
    return kAlgorithmInfoCode;
}

std::int32_t InfoAuxiliaryB(const void** descriptor) {
    *descriptor = &kinds::kAuxiliaryB;
    return kAlgorithmInfoCode;
}

std::int32_t InfoDhParamGen(const void** descriptor) {
    *descriptor = &kinds::kDhParamGen;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
