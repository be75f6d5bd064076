// Diffie-Hellman key agreement over big numbers: phase 1 draws the private value x from the
// random object and gives y = g^x mod p; phase 2 checks the other party's value y' and gives
// z = y'^x mod p. Both results are left-padded to exactly the prime's length. Setup turns the
// group into numbers and prepares the prime's Montgomery form once; they and the private value
// live in one block of the object's memory list, so destroying the object wipes them.
#include <utility>

#include "bignum/bignum.h"
#include "support/checked_alloc.h"
#include "support/secure_buffer.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/key_agree_primitives.h"
#include "toolkit/methods/methods.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::methods {
namespace {

using bignum::Mpi;
using bignum::MpiKind;
using bignum::MpiScratch;

constexpr std::uint32_t kMaxPrivateBytes = 512;  // 4096 bits

struct DhNumbers {
    std::uint32_t privateBits;
    Mpi prime;
    Mpi generator;
    bignum::MpiMontgomery form;  // empty for an even prime
    Mpi privateValue;            // empty until phase 1
};

struct DhState {
    DhNumbers* numbers;
};

void ReleaseNumbers(void* block, std::uint32_t length) {
    static_cast<DhNumbers*>(block)->~DhNumbers();
    support::WipeAndRelease(block, length);
}

// Writes value into out as exactly the prime's length in bytes.
MethodStatus WritePadded(const Mpi& value, const Mpi& prime, std::uint8_t* out,
                         std::uint32_t* outLength) {
    const auto length = static_cast<std::uint32_t>(prime.ByteLength());
    if (!value.ToBytes({out, length})) return method::kFailure;
    *outLength = length;
    return method::kOk;
}

// base^x mod p into a new number of the given kind.
MethodStatus Exponentiate(const DhNumbers& numbers, const Mpi& base, MpiKind kind, Mpi& result) {
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    result = Mpi::Make(kind, numbers.prime.BitLength());
    if (scratch.empty() || result.empty()) return method::kOutOfMemory;
    const bool done =
        numbers.form.empty()
            ? bignum::MpiPowm(result, base, numbers.privateValue, numbers.prime, scratch)
            : bignum::MpiPowmMontgomery(result, base, numbers.privateValue, numbers.prime,
                                        numbers.form, scratch);
    return done ? method::kOk : method::kOutOfMemory;
}

MethodStatus DhSetup(AlgObject* object, void* context, const DhKeyAgreeParams& parameters) {
    auto& state = *static_cast<DhState*>(context);
    if ((parameters.privateValueBits + 7) / 8 > kMaxPrivateBytes) return method::kBadParameters;
    auto* numbers = support::New<DhNumbers>();
    if (numbers == nullptr) return method::kOutOfMemory;
    // On failure the list has released the block already.
    if (!MemoryAdopt(object->memory, numbers, sizeof(DhNumbers), ReleaseNumbers)) {
        return method::kOutOfMemory;
    }
    numbers->privateBits = parameters.privateValueBits;
    numbers->prime = Mpi::FromBytes({parameters.prime, parameters.primeLength});
    numbers->generator = Mpi::FromBytes({parameters.generator, parameters.generatorLength});
    if (numbers->prime.empty() || numbers->generator.empty()) return method::kOutOfMemory;
    if (numbers->prime.IsOdd() && bignum::MpiCompareUint(numbers->prime, 1) > 0) {
        MpiScratch scratch = MpiScratch::Make(MpiKind::kPublic);
        if (scratch.empty()) return method::kOutOfMemory;
        numbers->form = bignum::MpiMontgomery::Make(numbers->prime, scratch);
        if (numbers->form.empty()) return method::kOutOfMemory;
    }
    state.numbers = numbers;
    return method::kOk;
}

MethodStatus DhPhase1(AlgObject*, void* context, std::uint8_t* out, std::uint32_t* outLength,
                      std::uint32_t maxLength, AlgObject* random, const SurrenderContext*) {
    DhNumbers& numbers = *static_cast<DhState*>(context)->numbers;
    if (!numbers.privateValue.empty()) return method::kFailure;  // one key pair per object
    if (maxLength < numbers.prime.ByteLength()) return method::kOutputTooSmall;

    const std::uint32_t bits = numbers.privateBits;
    const std::uint32_t length = (bits + 7) / 8;
    support::SecureBuffer drawn = support::SecureBuffer::Zeroed(length);
    if (!drawn.ok()) return method::kOutOfMemory;
    if (const Status drawnStatus = AlgGenerateRandomBytes(random, drawn.data(), length, nullptr);
        drawnStatus != kOk) {
        return drawnStatus == kOutOfMemory ? method::kOutOfMemory : method::kFailure;
    }
    if (bits % 8 != 0) drawn.data()[0] &= static_cast<std::uint8_t>((1u << (bits % 8)) - 1);
    Mpi x = Mpi::FromBytes(drawn.span(), MpiKind::kSecret);
    if (x.empty()) return method::kOutOfMemory;
    numbers.privateValue = std::move(x);

    Mpi y;
    if (const MethodStatus status = Exponentiate(numbers, numbers.generator, MpiKind::kPublic, y);
        status != method::kOk) {
        // The object keeps no private value it could not use.
        numbers.privateValue.Reset();
        return status;
    }
    return WritePadded(y, numbers.prime, out, outLength);
}

MethodStatus DhPhase2(AlgObject*, void* context, std::uint8_t* out, std::uint32_t* outLength,
                      std::uint32_t maxLength, const std::uint8_t* otherValue,
                      std::uint32_t otherLength, const SurrenderContext*) {
    const DhNumbers& numbers = *static_cast<DhState*>(context)->numbers;
    if (numbers.privateValue.empty()) return method::kFailure;
    if (maxLength < numbers.prime.ByteLength()) return method::kOutputTooSmall;
    if (otherValue == nullptr && otherLength != 0) return method::kDataMalformed;

    // Only 1 < y' < p - 1: 0, 1 and p - 1 would force the secret into a tiny subgroup.
    const Mpi other = Mpi::FromBytes({otherValue, otherLength});
    Mpi limit = Mpi::Make();
    if (other.empty() || limit.empty() || !bignum::MpiSubUint(limit, numbers.prime, 1)) {
        return method::kOutOfMemory;
    }
    if (bignum::MpiCompareUint(other, 1) <= 0 || bignum::MpiCompare(other, limit) >= 0) {
        return method::kDataMalformed;
    }
    Mpi z;
    if (const MethodStatus status = Exponentiate(numbers, other, MpiKind::kSecret, z);
        status != method::kOk) {
        return status;
    }
    return WritePadded(z, numbers.prime, out, outLength);
}

constexpr KeyAgreePrimitives kDhPrimitives = {sizeof(DhState), DhSetup, DhPhase1, DhPhase2};

}  // namespace

constinit const Method kDhKeyAgreeMethod = {InfoDhKeyAgree, 0, nullptr, &kDhPrimitives};

}  // namespace quillon::toolkit::methods
