// Raw RSA with the public key (KeyInfoRsaPublic) and with the private key in Chinese-remainder
// form (KeyInfoRsaPrivateCrt), encrypt and decrypt sides (the operation is the same on both),
// modulus at most 4096 bits. The private operation recombines two half-size exponentiations
// with the coefficient, without blinding. Setup copies the key's numbers into the algorithm
// object, so the object does not depend on the key object after init.
#include <cstring>

#include "support/bignum.h"
#include "toolkit/methods/methods.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

using support::Mpi;
using support::MpiKind;

struct RawKey {
    std::uint32_t modulusLength;  // bytes
    Item modulus;
    Item exponent;           // public operation
    Item primes[2];          // private operation: p, q
    Item primeExponents[2];  // dP, dQ
    Item coefficient;        // q^-1 mod p
};

std::span<const std::uint8_t> View(const Item& item) {
    return {item.data, item.length};
}

Mpi Number(const Item& item, MpiKind kind = MpiKind::kPublic) {
    return Mpi::FromBytes(View(item), kind);
}

bool Copy(AlgObject* object, const Item& from, Item& to) {
    to.data = static_cast<std::uint8_t*>(MemoryCopy(object->memory, from.data, from.length));
    to.length = from.length;
    return to.data != nullptr;
}

// The modulus rules shared by both keys; the RawKey block with its modulus, or a method status.
std::uint32_t StartKey(AlgObject* object, const Item& modulus, RawKey*& key) {
    const Mpi n = Number(modulus);
    const unsigned bits = n.BitLength();
    if (bits > kRsaMaxModulusBits) return method::kModulusLength;
    if (bits < 2) return method::kBadParameters;
    key = static_cast<RawKey*>(MemoryAllocate(object->memory, sizeof(RawKey)));
    if (key == nullptr || !Copy(object, modulus, key->modulus)) return method::kOutOfMemory;
    key->modulusLength = static_cast<std::uint32_t>(n.ByteLength());
    return method::kOk;
}

std::uint32_t SetupPublic(AlgObject* object, const Method*, const void* keyRecord, void** context,
                          std::uint32_t* modulusLength) {
    const auto* record = static_cast<const RsaPublicKeyRecord*>(keyRecord);
    if (record == nullptr) return method::kBadParameters;
    RawKey* key = nullptr;
    if (const std::uint32_t status = StartKey(object, record->modulus, key); status != 0) {
        return status;
    }
    if (!Copy(object, record->exponent, key->exponent)) return method::kOutOfMemory;
    *context = key;
    *modulusLength = key->modulusLength;
    return method::kOk;
}

std::uint32_t SetupPrivate(AlgObject* object, const Method*, const void* keyRecord, void** context,
                           std::uint32_t* modulusLength) {
    const auto* record = static_cast<const RsaPrivateCrtRecord*>(keyRecord);
    if (record == nullptr || record->primeCount != 2) return method::kBadParameters;
    // A key whose primes do not make its modulus would give wrong results: refuse it here.
    Mpi product = Mpi::Make(MpiKind::kSecret);
    support::MpiMul(product, Number(record->primes[0], MpiKind::kSecret),
                    Number(record->primes[1], MpiKind::kSecret));
    if (support::MpiCompare(product, Number(record->modulus)) != 0) {
        return method::kBadParameters;
    }
    RawKey* key = nullptr;
    if (const std::uint32_t status = StartKey(object, record->modulus, key); status != 0) {
        return status;
    }
    if (!Copy(object, record->primes[0], key->primes[0]) ||
        !Copy(object, record->primes[1], key->primes[1]) ||
        !Copy(object, record->primeExponents[0], key->primeExponents[0]) ||
        !Copy(object, record->primeExponents[1], key->primeExponents[1]) ||
        !Copy(object, record->coefficient, key->coefficient)) {
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
    input = Mpi::FromBytes({in, inLength}, MpiKind::kSecret);
    if (support::MpiCompare(input, Number(key.modulus)) >= 0) return method::kDataMalformed;
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
    Mpi result = Mpi::Make(MpiKind::kSecret, key.modulusLength * 8);
    if (!support::MpiPowm(result, input, Number(key.exponent), Number(key.modulus))) {
        return method::kFailure;
    }
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
    const Mpi p = Number(key.primes[0], MpiKind::kSecret);
    const Mpi q = Number(key.primes[1], MpiKind::kSecret);
    Mpi m1 = Mpi::Make(MpiKind::kSecret, bits);
    Mpi m2 = Mpi::Make(MpiKind::kSecret, bits);
    Mpi h = Mpi::Make(MpiKind::kSecret, bits);
    if (!support::MpiMod(m1, input, p) || !support::MpiMod(m2, input, q) ||
        !support::MpiPowm(m1, m1, Number(key.primeExponents[0], MpiKind::kSecret), p) ||
        !support::MpiPowm(m2, m2, Number(key.primeExponents[1], MpiKind::kSecret), q)) {
        return method::kFailure;
    }
    support::MpiSub(h, m1, m2);
    support::MpiMul(h, h, Number(key.coefficient, MpiKind::kSecret));
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
