// Raw RSA with the public key (KeyInfoRsaPublic) and with the private key in Chinese-remainder
// form (KeyInfoRsaPrivateCrt), encrypt and decrypt sides (the operation is the same on both),
// modulus at most 4096 bits. The private operation recombines two half-size exponentiations
// with the coefficient, without blinding; both run constant-time and together, as OpenSSL's own
// RSA runs them. Setup turns the key's numbers into big numbers once and prepares the Montgomery
// forms of the moduli, and keeps them in the algorithm object (released and wiped with it), so
// the object does not depend on the key object after init and an operation converts only its
// input.
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
using support::MpiMontgomery;
using support::MpiScratch;

struct RawKey {
    std::uint32_t modulusLength;  // bytes
    // Public key: only encryption feeds it a secret (the formatted message); recovering a
    // signature works on public values alone and needs none of the secure-memory measures.
    MpiKind inputKind;
    Mpi modulus;
    MpiMontgomery modulusForm;  // public operation, odd modulus
    Mpi exponent;               // public operation
    Mpi primes[2];              // private operation: p, q
    MpiMontgomery primeForms[2];
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

// The Montgomery form of an odd modulus; an even one (no usable key has one) stays without, and
// its exponentiations take the general path.
bool PrepareForm(const Mpi& modulus, MpiMontgomery& form, MpiScratch& scratch) {
    if (!modulus.IsOdd()) return true;
    form = MpiMontgomery::Make(modulus, scratch);
    return !form.empty();
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
    Mpi n = Number(record->modulus);
    if (n.empty()) return method::kOutOfMemory;
    RawKey* key = nullptr;
    if (const std::uint32_t status = StartKey(object, std::move(n), inputKind, key); status != 0) {
        return status;
    }
    key->exponent = Number(record->exponent);
    MpiScratch scratch = MpiScratch::Make(MpiKind::kPublic);
    if (key->exponent.empty() || scratch.empty() ||
        !PrepareForm(key->modulus, key->modulusForm, scratch)) {
        return method::kOutOfMemory;
    }
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
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    if (p.empty() || q.empty() || n.empty() || product.empty() || scratch.empty() ||
        !support::MpiMul(product, p, q, scratch)) {
        return method::kOutOfMemory;
    }
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
    if (key->primeExponents[0].empty() || key->primeExponents[1].empty() ||
        key->coefficient.empty() || !PrepareForm(key->primes[0], key->primeForms[0], scratch) ||
        !PrepareForm(key->primes[1], key->primeForms[1], scratch)) {
        return method::kOutOfMemory;
    }
    *context = key;
    *modulusLength = key->modulusLength;
    return method::kOk;
}

// The checks both operations make before any arithmetic; the input as a number.
std::uint32_t Prepare(const RawKey& key, std::uint32_t maxLength, const std::uint8_t* in,
                      std::uint32_t inLength, Mpi& input) {
    if (maxLength < key.modulusLength) return method::kOutputTooSmall;
    input = Mpi::FromBytes({in, inLength}, key.inputKind);
    if (input.empty()) return method::kOutOfMemory;
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
    MpiScratch scratch = MpiScratch::Make(key.inputKind);
    Mpi result = Mpi::Make(key.inputKind, key.modulusLength * 8);
    if (scratch.empty() || result.empty()) return method::kOutOfMemory;
    const bool done = key.modulusForm.empty()
                          ? support::MpiPowm(result, input, key.exponent, key.modulus, scratch)
                          : support::MpiPowmMontgomery(result, input, key.exponent, key.modulus,
                                                       key.modulusForm, scratch);
    if (!done) return method::kOutOfMemory;
    return Finish(key, result, out, outLength);
}

// m1 = c^dP mod p and m2 = c^dQ mod q; with both moduli odd, together and on their prepared
// forms.
bool HalfResults(const RawKey& key, const Mpi& input, Mpi (&halves)[2], MpiScratch& scratch) {
    for (int i = 0; i < 2; ++i) {
        if (!support::MpiMod(halves[i], input, key.primes[i], scratch)) return false;
    }
    if (key.primeForms[0].empty() || key.primeForms[1].empty()) {
        for (int i = 0; i < 2; ++i) {
            if (!support::MpiPowm(halves[i], halves[i], key.primeExponents[i], key.primes[i],
                                  scratch)) {
                return false;
            }
        }
        return true;
    }
    return support::MpiPowmPair(
        {halves[0], halves[0], key.primeExponents[0], key.primes[0], key.primeForms[0]},
        {halves[1], halves[1], key.primeExponents[1], key.primes[1], key.primeForms[1]}, scratch);
}

// h = qInv (m1 - m2) mod p, m = m2 + h q.
std::uint32_t TransformPrivate(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                               std::uint32_t maxLength, const std::uint8_t* in,
                               std::uint32_t inLength) {
    const auto& key = *static_cast<const RawKey*>(context);
    Mpi input;
    if (const std::uint32_t status = Prepare(key, maxLength, in, inLength, input); status != 0) {
        return status;
    }
    const unsigned bits = key.modulusLength * 8;
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi halves[2] = {Mpi::Make(MpiKind::kSecret, bits), Mpi::Make(MpiKind::kSecret, bits)};
    Mpi h = Mpi::Make(MpiKind::kSecret, bits);
    if (scratch.empty() || halves[0].empty() || halves[1].empty() || h.empty() ||
        !HalfResults(key, input, halves, scratch) || !support::MpiSub(h, halves[0], halves[1]) ||
        !support::MpiMul(h, h, key.coefficient, scratch) ||
        !support::MpiMod(h, h, key.primes[0], scratch) ||
        !support::MpiMul(h, h, key.primes[1], scratch) || !support::MpiAdd(h, h, halves[1])) {
        return method::kOutOfMemory;
    }
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
