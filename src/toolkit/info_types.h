// Info types: the kinds of algorithm objects and key objects.
//
// An info type is a function that writes the address of its kind's static descriptor and returns
// 0 for an algorithm-info type or 1 for a key-info type. The descriptor's address is the kind's
// identity. Adding a kind:
//   - algorithm-info type: one file with a descriptor {class, DER hooks, kind data} and a
//     function `int32_t InfoXxx(const void**)` (see digest_handler.cpp for a complete one); the
//     class's handler constructor builds a handler of one family (handler.h). A kind that is only
//     searched for in a chooser is a SearchOnlyKind (below).
//   - key-info type: one file with a KeyInfoDescriptor {set, get} and its function (see
//     key_info_des.cpp); set copies the record into the key's memory list and adds the pair,
//     get builds the form from what the key holds (or fails with kKeyFormUnavailable).
//   - then declare the function below. A method for the kind goes in methods/ and into the
//     DefaultChooser table (default_chooser.cpp).
#pragma once

#include <cstdint>

#include "toolkit/item.h"
#include "toolkit/objects.h"
#include "toolkit/status.h"

namespace quillon::toolkit {

using InfoType = std::int32_t (*)(const void** descriptor);

inline constexpr std::int32_t kAlgorithmInfoCode = 0;
inline constexpr std::int32_t kKeyInfoCode = 1;

struct AlgInfoDescriptor;

// Stores the parameter record into the object (copying what it keeps into the memory list) and
// adds the (kind, value) pair.
using AlgSetOperation = Status (*)(const AlgInfoDescriptor* kind, AlgObject* object,
                                   const void* parameters);
// Builds the kind's handler (null when out of memory).
using HandlerConstructor = Handler* (*)(const AlgInfoDescriptor* kind, AlgObject* object);
// Reports the object's parameters in this kind's form; kCannotReportInfo when it cannot.
using AlgGetOperation = Status (*)(const AlgInfoDescriptor* kind, AlgObject* object, void** info);

struct AlgInfoClass {
    AlgSetOperation set;
    HandlerConstructor makeHandler;  // null for kinds only searched for in a chooser
    AlgGetOperation get;             // null: the kind cannot report (kCannotReportInfo)
};

using DerEncodeHook = Status (*)(AlgObject* object, Item* der);
using DerDecodeHook = Status (*)(AlgObject* object, const Item* der);

struct AlgInfoDescriptor {
    const AlgInfoClass* infoClass;
    DerEncodeHook encodeDer;  // null for kinds without a DER form
    DerDecodeHook decodeDer;
    const void* kindData;  // constant facts of the kind for its class (block size, ...)
};

struct KeyInfoDescriptor;

// Stores a key given in this form (copying the record into the key's memory list, adding pairs).
using KeySetOperation = Status (*)(const KeyInfoDescriptor* kind, KeyObject* key,
                                   const void* record);
// Builds this form from whatever the key holds; the caller adds it to the info list.
using KeyGetOperation = Status (*)(const KeyInfoDescriptor* kind, KeyObject* key, void** form);

struct KeyInfoDescriptor {
    KeySetOperation set;
    KeyGetOperation get;
};

// The descriptor an info type reports, and its family code.
struct KindOfType {
    const void* descriptor;
    std::int32_t code;
};
[[nodiscard]] inline KindOfType KindOf(InfoType type) {
    KindOfType kind{nullptr, -1};
    if (type != nullptr) kind.code = type(&kind.descriptor);
    return kind;
}

// Set operation of kinds that take no parameter record: adds (kind, null).
[[nodiscard]] Status SetWithoutParameters(const AlgInfoDescriptor* kind, AlgObject* object,
                                          const void* parameters);

// The class of the kinds that are only searched for in a chooser (the kinds of building-block
// methods that handlers of other kinds ask for): it has no handler constructor, so an object
// given one of them cannot be initialised (kNoAlgorithmInfo).
extern const AlgInfoClass kSearchOnlyClass;

// A search-only kind; its name tells it apart, which also keeps the descriptors distinct objects.
[[nodiscard]] constexpr AlgInfoDescriptor SearchOnlyKind(const char* name) {
    return {&kSearchOnlyClass, nullptr, nullptr, name};
}

// The body of an algorithm-info type: reports the kind's descriptor.
inline std::int32_t DescribeAlgKind(const AlgInfoDescriptor& kind, const void** descriptor) {
    *descriptor = &kind;
    return kAlgorithmInfoCode;
}

// ---- Algorithm-info types -------------------------------------------------------------------
// Digests (record: none).
std::int32_t InfoSha1(const void** descriptor);
std::int32_t InfoMd5(const void** descriptor);
// Random generators. InfoRandomFips186 takes none or a RandomFips186Params record,
// InfoRandomMultiStream none or a RandomMultiStreamParams record (methods/random_params.h).
std::int32_t InfoRandomFips186(const void** descriptor);
std::int32_t InfoRandomMultiStream(const void** descriptor);
// DES in CBC mode over the DES and block-chaining methods (record: Item holding the 8-byte IV;
// key: KeyInfoDes).
std::int32_t InfoDesCbc(const void** descriptor);
// Diffie-Hellman key agreement (record: DhKeyAgreeParams, methods/dh_params.h).
std::int32_t InfoDhKeyAgree(const void** descriptor);
// RSA with PKCS #1 v1.5 block formatting (record: none; key: KeyInfoRsaPublic or
// KeyInfoRsaPrivateCrt through the raw RSA methods).
std::int32_t InfoRsaPkcsPublic(const void** descriptor);
std::int32_t InfoRsaPkcsPrivate(const void** descriptor);
// RSA key-pair generation (record: RsaKeyGenParams, rsa_records.h), two primes.
std::int32_t InfoRsaKeyGen(const void** descriptor);
// Kinds only searched for in a chooser (methods of the DefaultChooser).
std::int32_t InfoBlockChaining(const void** descriptor);
std::int32_t InfoTripleChaining(const void** descriptor);
std::int32_t InfoDes(const void** descriptor);
std::int32_t InfoAuxiliaryA(const void** descriptor);
std::int32_t InfoAuxiliaryB(const void** descriptor);
std::int32_t InfoDhParamGen(const void** descriptor);
std::int32_t InfoRsaMultiPrimeKeyGen(const void** descriptor);
std::int32_t InfoRsaRawPublic(const void** descriptor);
std::int32_t InfoRsaRawPrivate(const void** descriptor);

// ---- Key-info types -------------------------------------------------------------------------
// An 8-byte DES key (record: Item of length 8).
std::int32_t KeyInfoDes(const void** descriptor);
// RSA key forms (records in rsa_records.h). The raw RSA methods ask for KeyInfoRsaPublic
// (RsaPublicKeyRecord; also built from a private key) and KeyInfoRsaPrivateCrt (stored only).
std::int32_t KeyInfoRsaPublic(const void** descriptor);
std::int32_t KeyInfoRsaPrivateCrt(const void** descriptor);
// A private key of three or more primes (RsaPrivateMultiPrimeRecord): stored only, as a PKCS #8
// key with otherPrimeInfos decodes; no method takes it, but it reports KeyInfoRsaPublic.
std::int32_t KeyInfoRsaPrivateMultiPrime(const void** descriptor);
// Item holding a DER SubjectPublicKeyInfo (rsaEncryption or 2.5.8.1.1, else kNotRsaKey); stored
// with the KeyInfoRsaPublic form it decodes to.
std::int32_t KeyInfoRsaPublicBer(const void** descriptor);
// Item holding a DER PKCS #8 PrivateKeyInfo (rsaEncryption, else kNotRsaKey; RSAPrivateKey version
// 0 or 1, else kDataMalformed); stored with the KeyInfoRsaPrivateCrt form it decodes to, or with
// KeyInfoRsaPrivateMultiPrime for a key of more than two primes.
std::int32_t KeyInfoRsaPrivateBer(const void** descriptor);

}  // namespace quillon::toolkit
