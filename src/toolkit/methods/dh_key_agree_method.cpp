// Diffie-Hellman key agreement: the KeyAgreePrimitives (key_agree_primitives.h) that the
// InfoDhKeyAgree handler binds. Until the arithmetic arrives this table answers "not supported"
// (method status 9) from every operation: replace this file's table with the real method.
#include "toolkit/methods/key_agree_primitives.h"
#include "toolkit/methods/methods.h"

namespace quillon::toolkit {
namespace {

std::uint32_t SetupNotSupported(AlgObject*, void*, const DhKeyAgreeParams&) {
    return method::kNotSupported;
}

std::uint32_t Phase1NotSupported(AlgObject*, void*, std::uint8_t*, std::uint32_t*, std::uint32_t,
                                 AlgObject*, const SurrenderContext*) {
    return method::kNotSupported;
}

std::uint32_t Phase2NotSupported(AlgObject*, void*, std::uint8_t*, std::uint32_t*, std::uint32_t,
                                 const std::uint8_t*, std::uint32_t, const SurrenderContext*) {
    return method::kNotSupported;
}

constexpr KeyAgreePrimitives kDhPrimitives = {0, SetupNotSupported, Phase1NotSupported,
                                              Phase2NotSupported};

}  // namespace

constinit const Method kDhKeyAgreeMethod = {InfoDhKeyAgree, 0, nullptr, &kDhPrimitives};

}  // namespace quillon::toolkit
