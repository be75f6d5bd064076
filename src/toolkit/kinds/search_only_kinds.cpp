// Algorithm kinds that are only searched for in a chooser: the kinds of the building-block
// methods that handlers of other kinds ask for. Their class, for every search-only kind (the
// RSA ones in rsa_kinds.cpp, the provider's in provider/provider_kinds.cpp), is defined here.
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr AlgInfoDescriptor kBlockChaining = SearchOnlyKind("block chaining");
constexpr AlgInfoDescriptor kTripleChaining = SearchOnlyKind("triple chaining");
constexpr AlgInfoDescriptor kDes = SearchOnlyKind("DES");
constexpr AlgInfoDescriptor kAuxiliaryA = SearchOnlyKind("auxiliary A");
constexpr AlgInfoDescriptor kAuxiliaryB = SearchOnlyKind("auxiliary B");
constexpr AlgInfoDescriptor kDhParamGen = SearchOnlyKind("Diffie-Hellman parameter generation");

}  // namespace
}  // namespace quillon::toolkit::kinds

// The class and the kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

constinit const AlgInfoClass kSearchOnlyClass = {SetWithoutParameters, nullptr, nullptr};

std::int32_t InfoBlockChaining(const void** descriptor) {
    return DescribeAlgKind(kinds::kBlockChaining, descriptor);
}

std::int32_t InfoTripleChaining(const void** descriptor) {
    return DescribeAlgKind(kinds::kTripleChaining, descriptor);
}

std::int32_t InfoDes(const void** descriptor) {
    return DescribeAlgKind(kinds::kDes, descriptor);
}

std::int32_t InfoAuxiliaryA(const void** descriptor) {
    return DescribeAlgKind(kinds::kAuxiliaryA, descriptor);
}

std::int32_t InfoAuxiliaryB(const void** descriptor) {
    return DescribeAlgKind(kinds::kAuxiliaryB, descriptor);
}

std::int32_t InfoDhParamGen(const void** descriptor) {
    return DescribeAlgKind(kinds::kDhParamGen, descriptor);
}

}  // namespace quillon::toolkit
