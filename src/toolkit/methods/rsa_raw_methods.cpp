// Raw RSA with the public key (KeyInfoRsaPublic) and with the private key in Chinese-remainder
// form (KeyInfoRsaPrivateCrt), encrypt and decrypt sides (the operation is the same on both),
// modulus at most 4096 bits. The private operation recombines two half-size exponentiations
// with the coefficient, without blinding. Setup turns the key's numbers into big numbers once
// and keeps them in the algorithm object (released and wiped with it), so the object does not
// depend on the key object after init and an operation converts only its input.
#include <new>
#include <utility>

#include "support/bignum.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/methods.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

using support::Mpi;
using support::MpiKind;

struct RawKey {
    std::uint32_t modulusLength;  // bytes
    // Public key: only encryption feeds it a secret (the formatted message); recovering a
    // signature works on public values alone and needs none of the secure-memory measures.
    MpiKind inputKind;
    Mpi modulus;
    Mpi exponent;           // public operation
    Mpi primes[2];          // private operation: p, q
    Mpi primeExponents[2];  // dP, dQ
    Mpi coefficient;        // q^-1 mod p
};

Mpi Number(const Item& item, MpiKind kind = MpiKind::kPublic) {
    return Mpi::FromBytes({item.data, item.length}, kind);
}

void ReleaseRawKey(void* block, std::uint32_t length) {
    static_cast<RawKey*>(block)->~RawKey();
    support::WipeAndRelease(block, length);
}

// The modulus rules shared by both keys; the RawKey block holding the modulus, or a method
// status.
std::uint32_t StartKey(AlgObject* object, Mpi n, MpiKind inputKind, RawKey*& key) {
    const unsigned bits = n.BitLength();
    if (bits > kRsaMaxModulusBits) return method::kModulusLength;
    if (bits < 2) return method::kBadParameters;
    void* block = support::Allocate(sizeof(RawKey));
    if (block == nullptr) return method::kOutOfMemory;
    auto* made = new (block) RawKey{};
    // On failure the list has released the block already.
    if (!MemoryAdopt(object->memory, made, sizeof(RawKey), ReleaseRawKey)) {
        return method::kOutOfMemory;
    }
    made->modulusLength = (bits + 7) / 8;
    made->inputKind = inputKind;
    made->modulus = std::move(n);
    key = made;
    return method::kOk;
}

std::uint32_t SetupPublic(AlgObject* object, const Method* method, const void* keyRecord,
                          void** context, std::uint32_t* modulusLength) {
    const auto* record = static_cast<const RsaPublicKeyRecord*>(keyRecord);
    if (record == nullptr) return method::kBadParameters;
    const MpiKind inputKind =
        method->direction == kEncryptSide ? MpiKind::kSecret : MpiKind::kPublic;
    RawKey* key = nullptr;
    if (const std::uint32_t status = StartKey(object, Number(record->modulus), inputKind, key);
        status != 0) {
        return status;
    }
    key->exponent = Number(record->exponent);
    *context = key;
    *modulusLength = key->modulusLength;
    return method::kOk;
}

std::uint32_t SetupPrivate(AlgObject* object, const Method*, const void* keyRecord, void** context,
                           std::uint32_t* modulusLength) {
    const auto* record = static_cast<const RsaPrivateCrtRecord*>(keyRecord);
    if (record == nullptr || record->primeCount != 2) return method::kBadParameters;
    // A key whose primes do not make its modulus would give wrong results: refuse it here.
    Mpi p = Number(record->primes[0], MpiKind::kSecret);
    Mpi q = Number(record->primes[1], MpiKind::kSecret);
    Mpi n = Number(record->modulus);
    Mpi product = Mpi::Make(MpiKind::kSecret);
    support::MpiMul(product, p, q);
    if (support::MpiCompare(product, n) != 0) return method::kBadParameters;
    RawKey* key = nullptr;
    if (const std::uint32_t status = StartKey(object, std::move(n), MpiKind::kSecret, key);
        status != 0) {
        return status;
    }
    key->primes[0] = std::move(p);
    key->primes[1] = std::move(q);
    key->primeExponents[0] = Number(record->primeExponents[0], MpiKind::kSecret);
    key->primeExponents[1] = Number(record->primeExponents[1], MpiKind::kSecret);
    key->coefficient = Number(record->coefficient, MpiKind::kSecret);
    *context = key;
    *modulusLength = key->modulusLength;
    return method::kOk;
}

// The checks both operations make before any arithmetic; the input as a number.
std::uint32_t Prepare(const RawKey& key, std::uint32_t maxLength, const std::uint8_t* in,
                      std::uint32_t inLength, Mpi& input) {
    if (maxLength < key.modulusLength) return method::kOutputTooSmall;
    input = Mpi::FromBytes({in, inLength}, key.inputKind);
    if (support::MpiCompare(input, key.modulus) >= 0) return method::kDataMalformed;
    return method::kOk;
}

std::uint32_t Finish(const RawKey& key, const Mpi& result, std::uint8_t* out,
                     std::uint32_t* outLength) {
    if (!result.ToBytes({out, key.modulusLength})) return method::kFailure;
    *outLength = key.modulusLength;
    return method::kOk;
}

std::uint32_t TransformPublic(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                              std::uint32_t maxLength, const std::uint8_t* in,
                              std::uint32_t inLength) {
    const auto& key = *static_cast<const RawKey*>(context);
    Mpi input;
    if (const std::uint32_t status = Prepare(key, maxLength, in, inLength, input); status != 0) {
        return status;
    }
    // Room for the unreduced square, so the exponentiation never regrows the result.
    Mpi result = Mpi::Make(key.inputKind, key.modulusLength * 16);
    if (!support::MpiPowm(result, input, key.exponent, key.modulus)) return method::kFailure;
    return Finish(key, result, out, outLength);
}

// m1 = c^dP mod p, m2 = c^dQ mod q, h = qInv (m1 - m2) mod p, m = m2 + h q.
std::uint32_t TransformPrivate(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                               std::uint32_t maxLength, const std::uint8_t* in,
                               std::uint32_t inLength) {
    const auto& key = *static_cast<const RawKey*>(context);
    Mpi input;
    if (const std::uint32_t status = Prepare(key, maxLength, in, inLength, input); status != 0) {
        return status;
    }
    const unsigned bits = key.modulusLength * 8;
    const Mpi& p = key.primes[0];
    const Mpi& q = key.primes[1];
    Mpi m1 = Mpi::Make(MpiKind::kSecret, bits);
    Mpi m2 = Mpi::Make(MpiKind::kSecret, bits);
    Mpi h = Mpi::Make(MpiKind::kSecret, bits);
    if (!support::MpiMod(m1, input, p) || !support::MpiMod(m2, input, q) ||
        !support::MpiPowm(m1, m1, key.primeExponents[0], p) ||
        !support::MpiPowm(m2, m2, key.primeExponents[1], q)) {
        return method::kFailure;
    }
    support::MpiSub(h, m1, m2);
    support::MpiMul(h, h, key.coefficient);
    if (!support::MpiMod(h, h, p)) return method::kFailure;
    support::MpiMul(h, h, q);
    support::MpiAdd(h, h, m2);
    return Finish(key, h, out, outLength);
}

constexpr RsaRawPrimitives kRawPublic = {SetupPublic, TransformPublic};
constexpr RsaRawPrimitives kRawPrivate = {SetupPrivate, TransformPrivate};

}  // namespace

constinit const Method kRsaRawPublicEncryptMethod = {InfoRsaRawPublic, kEncryptSide,
                                                     KeyInfoRsaPublic, &kRawPublic};
constinit const Method kRsaRawPrivateEncryptMethod = {InfoRsaRawPrivate, kEncryptSide,
                                                      KeyInfoRsaPrivateCrt, &kRawPrivate};
constinit const Method kRsaRawPublicDecryptMethod = {InfoRsaRawPublic, kDecryptSide,
                                                     KeyInfoRsaPublic, &kRawPublic};
constinit const Method kRsaRawPrivateDecryptMethod = {InfoRsaRawPrivate, kDecryptSide,
                                                      KeyInfoRsaPrivateCrt, &kRawPrivate};

}  // namespace quillon::toolkit
