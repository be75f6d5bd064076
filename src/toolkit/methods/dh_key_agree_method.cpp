// Diffie-Hellman key agreement over big numbers: phase 1 draws the private value x from the
// random object and gives y = g^x mod p; phase 2 checks the other party's value y' and gives
// z = y'^x mod p. Both results are left-padded to exactly the prime's length. The private value
// lives in the method's context, inside the object's memory list, so destroying the object
// wipes it.
#include <cstring>
#include <span>

#include "support/bignum.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/key_agree_primitives.h"
#include "toolkit/methods/methods.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

using support::Mpi;
using support::MpiKind;

constexpr std::uint32_t kMaxPrivateBytes = 512;  // 4096 bits

struct DhState {
    const DhKeyAgreeParams* parameters;
    std::uint8_t privateValue[kMaxPrivateBytes];
    std::uint32_t privateLength;
    bool havePrivate;
};

Mpi Prime(const DhState& state) {
    return Mpi::FromBytes({state.parameters->prime, state.parameters->primeLength});
}

// Writes value into out as exactly the prime's length in bytes.
std::uint32_t WritePadded(const Mpi& value, const Mpi& prime, std::uint8_t* out,
                          std::uint32_t* outLength, std::uint32_t maxLength) {
    const auto length = static_cast<std::uint32_t>(prime.ByteLength());
    if (maxLength < length) return method::kOutputTooSmall;
    if (!value.ToBytes({out, length})) return method::kFailure;
    *outLength = length;
    return method::kOk;
}

std::uint32_t DhSetup(AlgObject*, void* context, const DhKeyAgreeParams& parameters) {
    auto& state = *static_cast<DhState*>(context);
    if ((parameters.privateValueBits + 7) / 8 > kMaxPrivateBytes) return method::kBadParameters;
    state.parameters = &parameters;
    return method::kOk;
}

std::uint32_t DhPhase1(AlgObject*, void* context, std::uint8_t* out, std::uint32_t* outLength,
                       std::uint32_t maxLength, AlgObject* random, const SurrenderContext*) {
    auto& state = *static_cast<DhState*>(context);
    if (state.havePrivate) return method::kFailure;  // one key pair per object
    const Mpi prime = Prime(state);
    if (maxLength < prime.ByteLength()) return method::kOutputTooSmall;

    const std::uint32_t bits = state.parameters->privateValueBits;
    const std::uint32_t length = (bits + 7) / 8;
    if (AlgGenerateRandomBytes(random, state.privateValue, length, nullptr) != kOk) {
        support::SecureWipe(state.privateValue, length);
        return method::kFailure;
    }
    if (bits % 8 != 0) state.privateValue[0] &= static_cast<std::uint8_t>((1u << (bits % 8)) - 1);
    state.privateLength = length;
    state.havePrivate = true;

    const Mpi x = Mpi::FromBytes({state.privateValue, length}, MpiKind::kSecret);
    const Mpi base =
        Mpi::FromBytes({state.parameters->generator, state.parameters->generatorLength});
    Mpi y = Mpi::Make(MpiKind::kPublic, prime.BitLength());
    if (!support::MpiPowm(y, base, x, prime)) return method::kFailure;
    return WritePadded(y, prime, out, outLength, maxLength);
}

std::uint32_t DhPhase2(AlgObject*, void* context, std::uint8_t* out, std::uint32_t* outLength,
                       std::uint32_t maxLength, const std::uint8_t* otherValue,
                       std::uint32_t otherLength, const SurrenderContext*) {
    auto& state = *static_cast<DhState*>(context);
    if (!state.havePrivate) return method::kFailure;
    const Mpi prime = Prime(state);
    if (maxLength < prime.ByteLength()) return method::kOutputTooSmall;
    if (otherValue == nullptr && otherLength != 0) return method::kDataMalformed;

    // Only 1 < y' < p - 1: 0, 1 and p - 1 would force the secret into a tiny subgroup.
    const Mpi other = Mpi::FromBytes({otherValue, otherLength});
    Mpi limit = Mpi::Make();
    support::MpiSubUint(limit, prime, 1);
    if (support::MpiCompareUint(other, 1) <= 0 || support::MpiCompare(other, limit) >= 0) {
        return method::kDataMalformed;
    }
    const Mpi x = Mpi::FromBytes({state.privateValue, state.privateLength}, MpiKind::kSecret);
    Mpi z = Mpi::Make(MpiKind::kSecret, prime.BitLength());
    if (!support::MpiPowm(z, other, x, prime)) return method::kFailure;
    return WritePadded(z, prime, out, outLength, maxLength);
}

constexpr KeyAgreePrimitives kDhPrimitives = {sizeof(DhState), DhSetup, DhPhase1, DhPhase2};

}  // namespace

constinit const Method kDhKeyAgreeMethod = {InfoDhKeyAgree, 0, nullptr, &kDhPrimitives};

}  // namespace quillon::toolkit
