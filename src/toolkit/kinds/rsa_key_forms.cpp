// The RSA key forms: KeyInfoRsaPublic {modulus, exponent}, KeyInfoRsaPrivateCrt (the two-prime
// Chinese-remainder form), KeyInfoRsaPrivateMultiPrime (more primes), and the DER forms
// KeyInfoRsaPublicBer (SubjectPublicKeyInfo) and KeyInfoRsaPrivateBer (PKCS #8). A DER form is
// stored together with the form it decodes to, so the raw methods find their form without decoding
// again. Numbers are kept without leading zero bytes; everything lives in the key's memory list and
// is wiped with it.
#include <cstring>

#include "toolkit/kinds/rsa_key_der.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

Bytes WithoutLeadingZeros(Bytes bytes) {
    std::size_t skip = 0;
    while (skip < bytes.size() && bytes[skip] == 0) ++skip;
    return bytes.subspan(skip);
}

Bytes View(const Item& item) {
    if (item.data == nullptr) return {};
    return {item.data, item.length};
}

// A copy of the number in the key's memory. False when out of memory.
bool CopyNumber(KeyObject* key, Bytes number, Item& stored) {
    number = WithoutLeadingZeros(number);
    stored.data = MemoryCopyOf(key->memory, number.data(), number.size());
    stored.length = static_cast<std::uint32_t>(number.size());
    return stored.data != nullptr;
}

bool IsZero(Bytes number) {
    return WithoutLeadingZeros(number).empty();
}

bool ItemUsable(const Item& item) {
    return item.data != nullptr || item.length == 0;
}

const void* Descriptor(InfoType type) {
    return KindOf(type).descriptor;
}

const InfoPair* Held(const KeyObject* key, InfoType type) {
    return InfoListFind(key->infos, Descriptor(type));
}

// ---- Stored records ---------------------------------------------------------------------------

Status StorePublic(KeyObject* key, Bytes modulus, Bytes exponent) {
    if (IsZero(modulus) || IsZero(exponent)) return kBadParameters;
    auto* stored = MemoryNew<RsaPublicKeyRecord>(key->memory);
    if (stored == nullptr || !CopyNumber(key, modulus, stored->modulus) ||
        !CopyNumber(key, exponent, stored->exponent)) {
        return kOutOfMemory;
    }
    return InfoListAdd(key->memory, key->infos, Descriptor(KeyInfoRsaPublic), stored);
}

Status StorePrivate(KeyObject* key, const RsaPrivateParts& parts) {
    if (IsZero(parts.modulus) || IsZero(parts.publicExponent) || IsZero(parts.privateExponent) ||
        IsZero(parts.prime1) || IsZero(parts.prime2)) {
        return kBadParameters;
    }
    auto* stored = MemoryNew<RsaPrivateCrtRecord>(key->memory);
    if (stored == nullptr) return kOutOfMemory;
    stored->primeCount = 2;
    const struct {
        Bytes from;
        Item* to;
    } fields[] = {{parts.modulus, &stored->modulus},
                  {parts.publicExponent, &stored->publicExponent},
                  {parts.privateExponent, &stored->privateExponent},
                  {parts.prime1, &stored->primes[0]},
                  {parts.prime2, &stored->primes[1]},
                  {parts.exponent1, &stored->primeExponents[0]},
                  {parts.exponent2, &stored->primeExponents[1]},
                  {parts.coefficient, &stored->coefficient}};
    for (const auto& field : fields) {
        if (!CopyNumber(key, field.from, *field.to)) return kOutOfMemory;
    }
    return InfoListAdd(key->memory, key->infos, Descriptor(KeyInfoRsaPrivateCrt), stored);
}

// A key of more than two primes, from wherever its numbers come: prime i's prime, exponent and
// coefficient (empty for prime 0), asked for in order i = 0, 1, ...
struct MultiPrimeSource {
    Bytes modulus, publicExponent, privateExponent;
    std::uint32_t primeCount;
    void (*primeAt)(MultiPrimeSource& source, std::uint32_t i, Bytes& prime, Bytes& exponent,
                    Bytes& coefficient);
    const void* context;
    Bytes rest;  // what primeAt has not read yet, where it reads in order
};

Status StoreMultiPrime(KeyObject* key, MultiPrimeSource& source) {
    if (IsZero(source.modulus) || IsZero(source.publicExponent) || IsZero(source.privateExponent)) {
        return kBadParameters;
    }
    const std::uint32_t count = source.primeCount;
    auto* stored = MemoryNew<RsaPrivateMultiPrimeRecord>(key->memory);
    if (stored == nullptr) return kOutOfMemory;
    stored->primeCount = count;
    stored->primes = MemoryNewArray<Item>(key->memory, count);
    stored->primeExponents = MemoryNewArray<Item>(key->memory, count);
    stored->coefficients = MemoryNewArray<Item>(key->memory, count - 1);
    if (stored->primes == nullptr || stored->primeExponents == nullptr ||
        stored->coefficients == nullptr || !CopyNumber(key, source.modulus, stored->modulus) ||
        !CopyNumber(key, source.publicExponent, stored->publicExponent) ||
        !CopyNumber(key, source.privateExponent, stored->privateExponent)) {
        return kOutOfMemory;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        Bytes prime, exponent, coefficient;
        source.primeAt(source, i, prime, exponent, coefficient);
        if (IsZero(prime)) return kBadParameters;
        if (!CopyNumber(key, prime, stored->primes[i]) ||
            !CopyNumber(key, exponent, stored->primeExponents[i]) ||
            (i != 0 && !CopyNumber(key, coefficient, stored->coefficients[i - 1]))) {
            return kOutOfMemory;
        }
    }
    return InfoListAdd(key->memory, key->infos, Descriptor(KeyInfoRsaPrivateMultiPrime), stored);
}

// A DER form's own Item (a copy of the encoding).
Status StoreEncoding(KeyObject* key, InfoType type, Bytes der) {
    auto* stored = MemoryNew<Item>(key->memory);
    if (stored == nullptr) return kOutOfMemory;
    stored->data = MemoryCopyOf(key->memory, der.data(), der.size());
    if (stored->data == nullptr) return kOutOfMemory;
    stored->length = static_cast<std::uint32_t>(der.size());
    return InfoListAdd(key->memory, key->infos, Descriptor(type), stored);
}

// ---- KeyInfoRsaPublic -------------------------------------------------------------------------

Status SetPublic(const KeyInfoDescriptor*, KeyObject* key, const void* record) {
    const auto* given = static_cast<const RsaPublicKeyRecord*>(record);
    if (given == nullptr || !ItemUsable(given->modulus) || !ItemUsable(given->exponent)) {
        return kBadParameters;
    }
    return StorePublic(key, View(given->modulus), View(given->exponent));
}

// The public half of a private key (of two or more primes): a record that points at the
// private key's own numbers.
Status GetPublic(const KeyInfoDescriptor*, KeyObject* key, void** form) {
    RsaPublicKeyRecord half;
    if (const InfoPair* pair = Held(key, KeyInfoRsaPrivateCrt); pair != nullptr) {
        const auto* priv = static_cast<const RsaPrivateCrtRecord*>(pair->value);
        half = {priv->modulus, priv->publicExponent};
    } else if (pair = Held(key, KeyInfoRsaPrivateMultiPrime); pair != nullptr) {
        const auto* priv = static_cast<const RsaPrivateMultiPrimeRecord*>(pair->value);
        half = {priv->modulus, priv->publicExponent};
    } else {
        return kKeyFormUnavailable;
    }
    auto* built = MemoryNew<RsaPublicKeyRecord>(key->memory);
    if (built == nullptr) return kOutOfMemory;
    *built = half;
    *form = built;
    return kOk;
}

// ---- KeyInfoRsaPrivateCrt ---------------------------------------------------------------------

Status SetPrivateCrt(const KeyInfoDescriptor*, KeyObject* key, const void* record) {
    const auto* given = static_cast<const RsaPrivateCrtRecord*>(record);
    if (given == nullptr) return kBadParameters;
    if (given->primeCount != 2) return kNotSupported;
    const Item* items[] = {&given->modulus,           &given->publicExponent,
                           &given->privateExponent,   &given->primes[0],
                           &given->primes[1],         &given->primeExponents[0],
                           &given->primeExponents[1], &given->coefficient};
    for (const Item* item : items) {
        if (!ItemUsable(*item)) return kBadParameters;
    }
    RsaPrivateParts parts;
    parts.modulus = View(given->modulus);
    parts.publicExponent = View(given->publicExponent);
    parts.privateExponent = View(given->privateExponent);
    parts.prime1 = View(given->primes[0]);
    parts.prime2 = View(given->primes[1]);
    parts.exponent1 = View(given->primeExponents[0]);
    parts.exponent2 = View(given->primeExponents[1]);
    parts.coefficient = View(given->coefficient);
    return StorePrivate(key, parts);
}

// The private forms are only stored, never built: no other form carries the private values in
// their shape.
Status GetStoredOnly(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

// ---- KeyInfoRsaPrivateMultiPrime ----------------------------------------------------------

void RecordPrimeAt(MultiPrimeSource& source, std::uint32_t i, Bytes& prime, Bytes& exponent,
                   Bytes& coefficient) {
    const auto& given = *static_cast<const RsaPrivateMultiPrimeRecord*>(source.context);
    prime = View(given.primes[i]);
    exponent = View(given.primeExponents[i]);
    coefficient = i == 0 ? Bytes{} : View(given.coefficients[i - 1]);
}

Status SetPrivateMultiPrime(const KeyInfoDescriptor*, KeyObject* key, const void* record) {
    const auto* given = static_cast<const RsaPrivateMultiPrimeRecord*>(record);
    if (given == nullptr || given->primeCount < 3 || given->primes == nullptr ||
        given->primeExponents == nullptr || given->coefficients == nullptr ||
        !ItemUsable(given->modulus) || !ItemUsable(given->publicExponent) ||
        !ItemUsable(given->privateExponent)) {
        return kBadParameters;
    }
    for (std::uint32_t i = 0; i < given->primeCount; ++i) {
        if (!ItemUsable(given->primes[i]) || !ItemUsable(given->primeExponents[i]) ||
            (i != 0 && !ItemUsable(given->coefficients[i - 1]))) {
            return kBadParameters;
        }
    }
    MultiPrimeSource source = {View(given->modulus),
                               View(given->publicExponent),
                               View(given->privateExponent),
                               given->primeCount,
                               RecordPrimeAt,
                               given,
                               {}};
    return StoreMultiPrime(key, source);
}

// ---- KeyInfoRsaPublicBer ------------------------------------------------------------------

Status SetPublicBer(const KeyInfoDescriptor*, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Item*>(record);
    if (given == nullptr || given->data == nullptr) return kBadParameters;
    RsaPublicParts parts;
    if (const Status status = DecodeRsaPublicKeyInfo(View(*given), parts); status != kOk) {
        return status;
    }
    if (const Status status = StoreEncoding(key, KeyInfoRsaPublicBer, View(*given));
        status != kOk) {
        return status;
    }
    return StorePublic(key, parts.modulus, parts.exponent);
}

// ---- KeyInfoRsaPrivateBer -----------------------------------------------------------------

// The primes of a decoded key with otherPrimeInfos: p and q, then the others in order.
void DerPrimeAt(MultiPrimeSource& source, std::uint32_t i, Bytes& prime, Bytes& exponent,
                Bytes& coefficient) {
    const auto& parts = *static_cast<const RsaPrivateParts*>(source.context);
    if (i == 0) {
        prime = parts.prime1;
        exponent = parts.exponent1;
        coefficient = {};
    } else if (i == 1) {
        prime = parts.prime2;
        exponent = parts.exponent2;
        coefficient = parts.coefficient;
    } else {
        ReadOtherPrime(source.rest, prime, exponent, coefficient);
    }
}

Status SetPrivateBer(const KeyInfoDescriptor*, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Item*>(record);
    if (given == nullptr || given->data == nullptr) return kBadParameters;
    RsaPrivateParts parts;
    if (const Status status = DecodeRsaPrivateKeyInfo(View(*given), parts); status != kOk) {
        return status;
    }
    if (const Status status = StoreEncoding(key, KeyInfoRsaPrivateBer, parts.encoding);
        status != kOk) {
        return status;
    }
    if (parts.otherPrimeCount == 0) return StorePrivate(key, parts);
    MultiPrimeSource source = {parts.modulus,
                               parts.publicExponent,
                               parts.privateExponent,
                               2 + parts.otherPrimeCount,
                               DerPrimeAt,
                               &parts,
                               parts.otherPrimeInfos};
    return StoreMultiPrime(key, source);
}

// The DER forms are answered only when the key was given in them (KeyGetInfo finds them in the
// info list before asking here).
Status GetEncodingUnavailable(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

// Distinct objects: their addresses are the kinds' identities.
constinit const KeyInfoDescriptor kRsaPublic = {SetPublic, GetPublic};
constinit const KeyInfoDescriptor kRsaPrivateCrt = {SetPrivateCrt, GetStoredOnly};
constinit const KeyInfoDescriptor kRsaPrivateMultiPrime = {SetPrivateMultiPrime, GetStoredOnly};
constinit const KeyInfoDescriptor kRsaPublicBer = {SetPublicBer, GetEncodingUnavailable};
constinit const KeyInfoDescriptor kRsaPrivateBer = {SetPrivateBer, GetEncodingUnavailable};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t KeyInfoRsaPublic(const void** descriptor) {
    *descriptor = &kinds::kRsaPublic;
    return kKeyInfoCode;
}

std::int32_t KeyInfoRsaPrivateCrt(const void** descriptor) {
    *descriptor = &kinds::kRsaPrivateCrt;
    return kKeyInfoCode;
}

std::int32_t KeyInfoRsaPrivateMultiPrime(const void** descriptor) {
    *descriptor = &kinds::kRsaPrivateMultiPrime;
    return kKeyInfoCode;
}

std::int32_t KeyInfoRsaPublicBer(const void** descriptor) {
    *descriptor = &kinds::kRsaPublicBer;
    return kKeyInfoCode;
}

std::int32_t KeyInfoRsaPrivateBer(const void** descriptor) {
    *descriptor = &kinds::kRsaPrivateBer;
    return kKeyInfoCode;
}

}  // namespace quillon::toolkit
