// RSA key exports (ordinals 24, 25, 29, 30, 39, 54, 55): key handles over toolkit key objects,
// PKCS #1 v1.5 operations through a fresh algorithm object per call, key-pair generation.
#include <cstring>

#include "pubkey/key_handle.h"
#include "quillon.h"
#include "random/module_generator.h"
#include "support/checked_alloc.h"
#include "support/handed_out_cell.h"
#include "toolkit/owners.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

using namespace quillon;
using toolkit::AlgObject;
using toolkit::KeyObject;
using toolkit::Status;

namespace {

// The public exponent of every generated key: 4097, not 65537.
constexpr std::uint8_t kGeneratedExponent[] = {0x10, 0x01};

Status GivePublic(KeyObject* key, const void* record) {
    return toolkit::KeySetInfo(key, toolkit::KeyInfoRsaPublic, record);
}

Status GivePrivateBer(KeyObject* key, const void* item) {
    return toolkit::KeySetInfo(key, toolkit::KeyInfoRsaPrivateBer, item);
}

// AlgCreate, AlgSetInfo and the init of one side with the key, into the owner (whatever it held
// is destroyed first).
Status StartPkcs(toolkit::OwnedAlg& object, toolkit::InfoType kind, KeyObject* key, bool encrypt) {
    Status status = toolkit::AlgCreate(object.Receive());
    if (status != toolkit::kOk) return status;
    status = toolkit::AlgSetInfo(object, kind, nullptr);
    if (status != toolkit::kOk) return status;
    return encrypt ? toolkit::AlgEncryptInit(object, key, toolkit::DefaultChooser, nullptr)
                   : toolkit::AlgDecryptInit(object, key, toolkit::DefaultChooser, nullptr);
}

// Update, then final into what the update left, each reducing capacity by what it wrote. The
// first failure ends the operation and is returned.
Status RunPkcs(AlgObject* object, bool encrypt, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t& capacity, AlgObject* random) {
    const uint32_t given = capacity;
    uint32_t written = 0;
    Status status = encrypt ? toolkit::AlgEncryptUpdate(object, out, &written, capacity, in,
                                                        inLength, random, nullptr)
                            : toolkit::AlgDecryptUpdate(object, out, &written, capacity, in,
                                                        inLength, random, nullptr);
    if (status != toolkit::kOk) return status;
    capacity -= written;
    uint8_t* rest = out == nullptr ? nullptr : out + (given - capacity);
    written = 0;
    status = encrypt ? toolkit::AlgEncryptFinal(object, rest, &written, capacity, random, nullptr)
                     : toolkit::AlgDecryptFinal(object, rest, &written, capacity, random, nullptr);
    if (status != toolkit::kOk) return status;
    capacity -= written;
    return toolkit::kOk;
}

// True when the key holds a private key in the form the private-key operation takes.
bool HoldsPrivateKey(KeyObject* key) {
    void* record = nullptr;
    return toolkit::KeyGetInfo(&record, key, toolkit::KeyInfoRsaPrivateCrt) == toolkit::kOk;
}

// A key pair of modulusBits into the two cells' key objects: the generator object, a seeded
// random object, the two empty keys, the generation.
Status GenerateKeyPair(KeyHandle& publicCell, KeyHandle& privateCell, uint32_t modulusBits) {
    const toolkit::RsaKeyGenParams params = {
        modulusBits, {const_cast<uint8_t*>(kGeneratedExponent), sizeof kGeneratedExponent}};
    toolkit::OwnedAlg generator;
    Status status = toolkit::AlgCreate(generator.Receive());
    if (status != toolkit::kOk) return status;
    status = toolkit::AlgSetInfo(generator, toolkit::InfoRsaKeyGen, &params);
    if (status != toolkit::kOk) return status;
    status = toolkit::AlgGenerateInit(generator, toolkit::DefaultChooser, nullptr);
    if (status != toolkit::kOk) return status;
    toolkit::OwnedAlg random;
    random::MakeSeededRandomObject(random.Receive());
    // Only memory keeps a random object from being made.
    if (random == nullptr) return toolkit::kOutOfMemory;
    status = toolkit::KeyCreate(publicCell.key.Receive());
    if (status != toolkit::kOk) return status;
    status = toolkit::KeyCreate(privateCell.key.Receive());
    if (status != toolkit::kOk) return status;
    return toolkit::AlgGenerateKeypair(generator, publicCell.key, privateCell.key, random, nullptr);
}

}  // namespace

// Both handles or neither: a failure writes no cell.
extern "C" QUILLON_API int32_t QUILLON_CALL RsaGenerateKeyPair(KeyHandle** publicKey,
                                                               KeyHandle** privateKey,
                                                               uint32_t modulusBits) {
    if (publicKey == nullptr || privateKey == nullptr) return -1;
    return support::MakeCell(publicKey, [&](KeyHandle& publicCell) {
        return support::MakeCell(privateKey, [&](KeyHandle& privateCell) {
            return toolkit::ToExportStatus(GenerateKeyPair(publicCell, privateCell, modulusBits));
        });
    });
}

extern "C" QUILLON_API int32_t QUILLON_CALL RsaCreatePublicKey(KeyHandle** handle,
                                                               const uint8_t* modulus,
                                                               uint32_t modulusLength,
                                                               const uint8_t* exponent,
                                                               uint32_t exponentLength) {
    if (handle == nullptr) return -1;
    const toolkit::RsaPublicKeyRecord record = {{const_cast<uint8_t*>(modulus), modulusLength},
                                                {const_cast<uint8_t*>(exponent), exponentLength}};
    return pubkey::CreateKeyHandle(handle, GivePublic, &record);
}

extern "C" QUILLON_API int32_t QUILLON_CALL RsaCreatePrivateKey(KeyHandle** handle,
                                                                const uint8_t* der,
                                                                uint32_t derLength) {
    if (handle == nullptr) return -1;
    const toolkit::Item item = {const_cast<uint8_t*>(der), derLength};
    return pubkey::CreateKeyHandle(handle, GivePrivateBer, &item);
}

extern "C" QUILLON_API int32_t QUILLON_CALL RsaGetKeyInfo(KeyHandle* key, uint8_t* modulus,
                                                          uint32_t* modulusCapacity,
                                                          uint8_t* exponent,
                                                          uint32_t* exponentCapacity) {
    if (key == nullptr || modulusCapacity == nullptr || exponentCapacity == nullptr) return -1;
    void* record = nullptr;
    const Status status = toolkit::KeyGetInfo(&record, key->key, toolkit::KeyInfoRsaPublic);
    if (status != toolkit::kOk) return toolkit::ToExportStatus(status);
    const auto& publicKey = *static_cast<const toolkit::RsaPublicKeyRecord*>(record);
    if (publicKey.modulus.length > *modulusCapacity ||
        publicKey.exponent.length > *exponentCapacity || modulus == nullptr ||
        exponent == nullptr) {
        return -1;
    }
    std::memcpy(modulus, publicKey.modulus.data, publicKey.modulus.length);
    std::memcpy(exponent, publicKey.exponent.data, publicKey.exponent.length);
    *modulusCapacity = publicKey.modulus.length;
    *exponentCapacity = publicKey.exponent.length;
    return 0;
}

// Private-key formatting (a type-1 block) first. Public-key formatting (a type-2 block) stands in
// only for a key without a private key, and not when memory ran out: a type-2 block never stands
// in for a signature the module could not make, and a private key that cannot sign (damaged, out
// of memory, a result that does not check out) reports why.
extern "C" QUILLON_API int32_t QUILLON_CALL RsaEncrypt(KeyHandle* key, const uint8_t* in,
                                                       uint32_t inLength, uint8_t* out,
                                                       uint32_t* capacity) {
    if (key == nullptr || capacity == nullptr) return -1;
    toolkit::OwnedAlg object;
    Status status = StartPkcs(object, toolkit::InfoRsaPkcsPrivate, key->key, true);
    if (status != toolkit::kOk && status != toolkit::kOutOfMemory && !HoldsPrivateKey(key->key)) {
        status = StartPkcs(object, toolkit::InfoRsaPkcsPublic, key->key, true);
    }
    if (status != toolkit::kOk) return toolkit::ToExportStatus(status);
    toolkit::OwnedAlg random;
    random::MakeSeededRandomObject(random.Receive());
    return toolkit::ToExportStatus(RunPkcs(object, true, in, inLength, out, *capacity, random));
}

extern "C" QUILLON_API int32_t QUILLON_CALL RsaPublicDecrypt(KeyHandle* key, const uint8_t* in,
                                                             uint32_t inLength, uint8_t* out,
                                                             uint32_t* capacity) {
    if (key == nullptr || capacity == nullptr) return -1;
    toolkit::OwnedAlg object;
    const Status status = StartPkcs(object, toolkit::InfoRsaPkcsPublic, key->key, false);
    if (status != toolkit::kOk) return toolkit::ToExportStatus(status);
    return toolkit::ToExportStatus(RunPkcs(object, false, in, inLength, out, *capacity, nullptr));
}

extern "C" QUILLON_API void QUILLON_CALL RsaDestroyKey(KeyHandle** handle) {
    if (handle != nullptr) support::Delete(handle);
}
