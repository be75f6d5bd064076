// Raw RSA with the public key and with the private key in Chinese-remainder form, encrypt and
// decrypt sides (the operation is the same on both), modulus at most 4096 bits. The private
// operation blinds its input with a random factor kept with the key (as OpenSSL's RSA does),
// then recombines two half-size exponentiations with the coefficient; both run constant-time
// and together, as OpenSSL's own RSA runs them. Its result is checked
// with the public exponent before it is written: a wrong CRT half (a damaged exponent or
// coefficient, a fault) would give a wrong result that also reveals a factor of the modulus to
// whoever sees it.
//
// The methods take the key forms KeyInfoRsaPublic and KeyInfoRsaPrivateCrt. Their numbers are
// prepared once per key object, at the first setup with it: turned into big numbers, with the
// Montgomery forms of the moduli, kept in the key's memory list and found again through a pair
// of the key's info list whose kind only these methods know (a KeyGetInfo with it is impossible;
// a KeySetInfo could not name it). Every algorithm object bound to the key holds a reference to
// them in its own memory list, so an object does not depend on the key object after init, and
// an operation converts only its input.
#include <atomic>
#include <utility>

#include "bignum/bignum.h"
#include "bignum/bignum_crt.h"
#include "bignum/rsa_blinding.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/methods.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::methods {
namespace {

using bignum::Mpi;
using bignum::MpiKind;
using bignum::MpiMontgomery;
using bignum::MpiScratch;

struct PreparedKey {
    std::atomic<std::uint32_t> references;  // the key object's and one per bound object
    std::uint32_t modulusLength;            // bytes
    Mpi modulus;
    MpiMontgomery modulusForm;  // odd modulus
    Mpi exponent;               // public exponent: the operation, or the private one's check
    Mpi primes[2];              // private key: p, q
    MpiMontgomery primeForms[2];
    Mpi primeExponents[2];  // dP, dQ
    Mpi coefficient;        // q^-1 mod p
    // Private key with an odd modulus; renewed by every operation, from any thread.
    mutable bignum::RsaBlinding blinding;
};

// An algorithm object's view of the key. Public key: only encryption feeds it a secret (the
// formatted message); recovering a signature works on public values alone and needs none of the
// secure-memory measures.
struct Binding {
    const PreparedKey* key;
    MpiKind inputKind;
};

Mpi Number(const Item& item, MpiKind kind = MpiKind::kPublic) {
    return Mpi::FromBytes({item.data, item.length}, kind);
}

// The release of every list that holds the numbers: the last one wipes them.
void DropReference(void* block, std::uint32_t length) {
    auto* key = static_cast<PreparedKey*>(block);
    if (key->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    key->~PreparedKey();
    support::WipeAndRelease(block, length);
}

// The modulus rules shared by both keys; the numbers, holding the modulus and owned by the key's
// memory list, or a method status.
MethodStatus StartKey(KeyObject* owner, Mpi n, PreparedKey*& key) {
    const unsigned bits = n.BitLength();
    if (bits > kRsaMaxModulusBits) return method::kModulusLength;
    if (bits < 2) return method::kBadParameters;
    auto* made = support::New<PreparedKey>();
    if (made == nullptr) return method::kOutOfMemory;
    made->references.store(1, std::memory_order_relaxed);
    // On failure the list has released the block already.
    if (!MemoryAdopt(owner->memory, made, sizeof(PreparedKey), DropReference)) {
        return method::kOutOfMemory;
    }
    made->modulusLength = (bits + 7) / 8;
    made->modulus = std::move(n);
    key = made;
    return method::kOk;
}

MethodStatus PreparePublic(KeyObject* owner, const RsaPublicKeyRecord& record, PreparedKey*& key) {
    Mpi n = Number(record.modulus);
    if (n.empty()) return method::kOutOfMemory;
    if (const MethodStatus status = StartKey(owner, std::move(n), key); status != method::kOk) {
        return status;
    }
    key->exponent = Number(record.exponent);
    MpiScratch scratch = MpiScratch::Make(MpiKind::kPublic);
    if (key->exponent.empty() || scratch.empty() ||
        !bignum::MpiPrepareForm(key->modulus, key->modulusForm, scratch)) {
        return method::kOutOfMemory;
    }
    return method::kOk;
}

MethodStatus PreparePrivate(KeyObject* owner, const RsaPrivateCrtRecord& record,
                            PreparedKey*& key) {
    if (record.primeCount != 2) return method::kBadParameters;
    // A key whose primes do not make its modulus would give wrong results: refuse it here.
    Mpi p = Number(record.primes[0], MpiKind::kSecret);
    Mpi q = Number(record.primes[1], MpiKind::kSecret);
    Mpi n = Number(record.modulus);
    Mpi product = Mpi::Make(MpiKind::kSecret);
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    if (p.empty() || q.empty() || n.empty() || product.empty() || scratch.empty() ||
        !bignum::MpiMul(product, p, q, scratch)) {
        return method::kOutOfMemory;
    }
    if (bignum::MpiCompare(product, n) != 0) return method::kBadParameters;
    if (const MethodStatus status = StartKey(owner, std::move(n), key); status != method::kOk) {
        return status;
    }
    key->primes[0] = std::move(p);
    key->primes[1] = std::move(q);
    key->primeExponents[0] = Number(record.primeExponents[0], MpiKind::kSecret);
    key->primeExponents[1] = Number(record.primeExponents[1], MpiKind::kSecret);
    key->coefficient = Number(record.coefficient, MpiKind::kSecret);
    key->exponent = Number(record.publicExponent);
    if (key->primeExponents[0].empty() || key->primeExponents[1].empty() ||
        key->coefficient.empty() || key->exponent.empty() ||
        !bignum::MpiPrepareForm(key->primes[0], key->primeForms[0], scratch) ||
        !bignum::MpiPrepareForm(key->primes[1], key->primeForms[1], scratch) ||
        !bignum::MpiPrepareForm(key->modulus, key->modulusForm, scratch) ||
        (!key->modulusForm.empty() &&
         !key->blinding.Start(key->modulus, key->exponent, key->modulusForm))) {
        return method::kOutOfMemory;
    }
    return method::kOk;
}

// ---- The kinds of the prepared numbers in a key's info list ------------------------------------

// Their addresses are the kinds' identities (elements of one array, so never merged into one).
// No info type reports them.
constinit const KeyInfoDescriptor kPreparedKinds[2] = {};
constexpr const KeyInfoDescriptor& kPreparedPublic = kPreparedKinds[0];
constexpr const KeyInfoDescriptor& kPreparedPrivate = kPreparedKinds[1];

// ---- The methods ----------------------------------------------------------------------------

// The key's prepared numbers: found in its info list, or made from its record and added there.
template <typename Record>
MethodStatus PreparedOf(KeyObject* owner, const KeyInfoDescriptor& kind, const void* keyRecord,
                        MethodStatus (*prepare)(KeyObject*, const Record&, PreparedKey*&),
                        PreparedKey*& key) {
    if (const InfoPair* pair = InfoListFind(owner->infos, &kind); pair != nullptr) {
        key = static_cast<PreparedKey*>(pair->value);
        return method::kOk;
    }
    if (keyRecord == nullptr) return method::kBadParameters;
    if (const MethodStatus status = prepare(owner, *static_cast<const Record*>(keyRecord), key);
        status != method::kOk) {
        return status;
    }
    // Without the pair the numbers still go with the key's memory list; the next setup makes
    // them again.
    return InfoListAdd(owner->memory, owner->infos, &kind, key) == kOk ? method::kOk
                                                                       : method::kOutOfMemory;
}

// A reference to the key's prepared numbers in the object's memory list, and the object's view
// of them.
MethodStatus Bind(AlgObject* object, PreparedKey* key, MpiKind inputKind, void** context,
                  std::uint32_t* modulusLength) {
    auto* binding = MemoryNew<Binding>(object->memory);
    if (binding == nullptr) return method::kOutOfMemory;
    key->references.fetch_add(1, std::memory_order_relaxed);
    // On failure the list has dropped the reference already.
    if (!MemoryAdopt(object->memory, key, sizeof(PreparedKey), DropReference)) {
        return method::kOutOfMemory;
    }
    *binding = {key, inputKind};
    *context = binding;
    *modulusLength = key->modulusLength;
    return method::kOk;
}

MethodStatus SetupPublic(AlgObject* object, KeyObject* owner, const Method* method,
                         const void* keyRecord, void** context, std::uint32_t* modulusLength) {
    PreparedKey* key = nullptr;
    if (const MethodStatus status =
            PreparedOf<RsaPublicKeyRecord>(owner, kPreparedPublic, keyRecord, PreparePublic, key);
        status != method::kOk) {
        return status;
    }
    const MpiKind inputKind =
        method->direction == kEncryptSide ? MpiKind::kSecret : MpiKind::kPublic;
    return Bind(object, key, inputKind, context, modulusLength);
}

MethodStatus SetupPrivate(AlgObject* object, KeyObject* owner, const Method*, const void* keyRecord,
                          void** context, std::uint32_t* modulusLength) {
    PreparedKey* key = nullptr;
    if (const MethodStatus status = PreparedOf<RsaPrivateCrtRecord>(owner, kPreparedPrivate,
                                                                    keyRecord, PreparePrivate, key);
        status != method::kOk) {
        return status;
    }
    return Bind(object, key, MpiKind::kSecret, context, modulusLength);
}

// The checks both operations make before any arithmetic; the input as a number.
MethodStatus Prepare(const Binding& binding, std::uint32_t maxLength, const std::uint8_t* in,
                     std::uint32_t inLength, Mpi& input) {
    if (maxLength < binding.key->modulusLength) return method::kOutputTooSmall;
    input = Mpi::FromBytes({in, inLength}, binding.inputKind);
    if (input.empty()) return method::kOutOfMemory;
    if (bignum::MpiCompare(input, binding.key->modulus) >= 0) return method::kDataMalformed;
    return method::kOk;
}

MethodStatus Finish(const PreparedKey& key, const Mpi& result, std::uint8_t* out,
                    std::uint32_t* outLength) {
    if (!result.ToBytes({out, key.modulusLength})) return method::kFailure;
    *outLength = key.modulusLength;
    return method::kOk;
}

// result = base^e mod n with the key's public exponent; false when out of memory.
bool PublicPowm(const PreparedKey& key, Mpi& result, const Mpi& base, MpiScratch& scratch) {
    return key.modulusForm.empty()
               ? bignum::MpiPowm(result, base, key.exponent, key.modulus, scratch)
               : bignum::MpiPowmMontgomery(result, base, key.exponent, key.modulus, key.modulusForm,
                                           scratch);
}

MethodStatus TransformPublic(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                             std::uint32_t maxLength, const std::uint8_t* in,
                             std::uint32_t inLength) {
    const auto& binding = *static_cast<const Binding*>(context);
    const PreparedKey& key = *binding.key;
    Mpi input;
    if (const MethodStatus status = Prepare(binding, maxLength, in, inLength, input);
        status != method::kOk) {
        return status;
    }
    MpiScratch scratch = MpiScratch::Make(binding.inputKind);
    Mpi result = Mpi::Make(binding.inputKind, key.modulusLength * 8);
    if (scratch.empty() || result.empty() || !PublicPowm(key, result, input, scratch)) {
        return method::kOutOfMemory;
    }
    return Finish(key, result, out, outLength);
}

// m = m2 + (qInv (m1 - m2) mod p) q.
MethodStatus TransformPrivate(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                              std::uint32_t maxLength, const std::uint8_t* in,
                              std::uint32_t inLength) {
    const auto& binding = *static_cast<const Binding*>(context);
    const PreparedKey& key = *binding.key;
    Mpi input;
    if (const MethodStatus status = Prepare(binding, maxLength, in, inLength, input);
        status != method::kOk) {
        return status;
    }
    const unsigned bits = key.modulusLength * 8;
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi halves[2] = {Mpi::Make(MpiKind::kSecret, bits), Mpi::Make(MpiKind::kSecret, bits)};
    Mpi h = Mpi::Make(MpiKind::kSecret, bits);
    Mpi blinded = Mpi::Make(MpiKind::kSecret, bits);
    Mpi unblinder = Mpi::Make(MpiKind::kSecret, bits);
    if (scratch.empty() || halves[0].empty() || halves[1].empty() || h.empty() || blinded.empty() ||
        unblinder.empty()) {
        return method::kOutOfMemory;
    }
    // Only a key with an even modulus, which no usable key has, goes without blinding.
    const bool blinding = key.blinding.started();
    if (blinding
            ? !key.blinding.Blind(blinded, unblinder, input, key.modulus, key.modulusForm, scratch)
            : !bignum::MpiCopy(blinded, input)) {
        return method::kOutOfMemory;
    }
    if (!bignum::MpiCrtHalves(halves, blinded, key.primes, key.primeForms, key.primeExponents,
                              scratch) ||
        !bignum::MpiCrtCombine(h, halves[0], halves[1], key.primes[0], key.primes[1],
                               key.primeForms[0], key.coefficient, scratch)) {
        return method::kOutOfMemory;
    }
    // Nothing leaves unless h^e mod n gives the blinded input back (halves[0] now holds that
    // check); both are still blinded, so the check's time tells nothing of the result.
    if (!PublicPowm(key, halves[0], h, scratch)) return method::kOutOfMemory;
    if (bignum::MpiCompare(halves[0], blinded) != 0) return method::kFailure;
    if (blinding && !bignum::RsaBlinding::Unblind(h, h, unblinder, key.modulusForm, scratch)) {
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

}  // namespace quillon::toolkit::methods
