// The operations on algorithm objects: the checks each one makes before it hands over to the
// object's handler.
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

bool TagFits(const Handler* handler, HandlerFamily family) {
    return handler->tag == kHandlerTag && handler->operations->family == family;
}

// Init checks after the object itself: a handler (kNoAlgorithmInfo) of the right family
// (kWrongAlgorithm).
Status CheckForInit(const AlgObject* object, HandlerFamily family) {
    if (object->handler == nullptr) return kNoAlgorithmInfo;
    return TagFits(object->handler, family) ? kOk : kWrongAlgorithm;
}

// Checks for an operation after init: a handler of the right family (kWrongAlgorithm) that was
// initialised (kNotInitialized). An object without handler was never initialised.
Status CheckForUse(const AlgObject* object, HandlerFamily family) {
    if (object->handler == nullptr) return kNotInitialized;
    if (!TagFits(object->handler, family)) return kWrongAlgorithm;
    return (object->flags & kFlagInitialized) != 0 ? kOk : kNotInitialized;
}

// An optional random object: null passes, anything else must be a live object.
bool RandomObjectPasses(const AlgObject* random) {
    return random == nullptr || IsAlgObject(random);
}

// Output lengths are always written; a caller that passes no address gets a local one.
std::uint32_t* LengthOrLocal(std::uint32_t* outLength, std::uint32_t& local) {
    local = 0;
    return outLength != nullptr ? outLength : &local;
}

void MarkInitialized(AlgObject* object, Status status, std::uint32_t sideFlag = 0) {
    object->flags &= ~(kFlagInitialized | kFlagDecryptSide);
    if (status == kOk) object->flags |= kFlagInitialized | sideFlag;
}

}  // namespace

// ---- Digests (and key-agreement init) --------------------------------------------------------

Status AlgDigestInit(AlgObject* object, KeyObject* key, Chooser chooser,
                     const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (key != nullptr && !IsKeyObject(key)) return kBadKeyObject;
    if (object->handler == nullptr) return kNoAlgorithmInfo;
    Handler* handler = object->handler;
    Status status;
    if (TagFits(handler, HandlerFamily::kDigest)) {
        status = FamilyOperations<DigestHandlerOperations>(handler).init(object, handler, key,
                                                                         chooser, surrender);
    } else if (TagFits(handler, HandlerFamily::kKeyAgreement)) {
        status = FamilyOperations<KeyAgreementHandlerOperations>(handler).init(object, handler, key,
                                                                               chooser, surrender);
    } else {
        return kWrongAlgorithm;
    }
    MarkInitialized(object, status);
    return status;
}

Status AlgDigestUpdate(AlgObject* object, const std::uint8_t* data, std::uint32_t length,
                       const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kDigest); status != kOk) {
        return status;
    }
    if (data == nullptr) return kNullData;
    return FamilyOperations<DigestHandlerOperations>(object->handler)
        .update(object, object->handler, data, length, surrender);
}

Status AlgDigestFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                      std::uint32_t maxLength, const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kDigest); status != kOk) {
        return status;
    }
    std::uint32_t local;
    return FamilyOperations<DigestHandlerOperations>(object->handler)
        .final(object, object->handler, out, LengthOrLocal(outLength, local), maxLength, surrender);
}

// ---- Key agreement -------------------------------------------------------------------------

Status AlgKeyAgreePhase1(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                         std::uint32_t maxLength, AlgObject* random,
                         const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (!IsAlgObject(random)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kKeyAgreement); status != kOk) {
        return status;
    }
    std::uint32_t local;
    return FamilyOperations<KeyAgreementHandlerOperations>(object->handler)
        .phase1(object, object->handler, out, LengthOrLocal(outLength, local), maxLength, random,
                surrender);
}

Status AlgKeyAgreePhase2(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                         std::uint32_t maxLength, const std::uint8_t* otherValue,
                         std::uint32_t otherLength, const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kKeyAgreement); status != kOk) {
        return status;
    }
    if (otherValue == nullptr && otherLength != 0) return kNullData;
    std::uint32_t local;
    return FamilyOperations<KeyAgreementHandlerOperations>(object->handler)
        .phase2(object, object->handler, out, LengthOrLocal(outLength, local), maxLength,
                otherValue, otherLength, surrender);
}

// ---- Random objects ------------------------------------------------------------------------

Status AlgRandomInit(AlgObject* object, Chooser chooser, const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadRandomObject;
    if (const Status status = CheckForInit(object, HandlerFamily::kRandom); status != kOk) {
        return status;
    }
    const Status status = FamilyOperations<RandomHandlerOperations>(object->handler)
                              .init(object, object->handler, chooser, surrender);
    MarkInitialized(object, status);
    return status;
}

Status AlgRandomUpdate(AlgObject* object, const std::uint8_t* seed, std::uint32_t length,
                       const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kRandom); status != kOk) {
        return status;
    }
    // An empty update still counts as one (it moves the generator's countdown).
    if (seed == nullptr && length != 0) return kNullData;
    return FamilyOperations<RandomHandlerOperations>(object->handler)
        .update(object, object->handler, seed, length, surrender);
}

Status AlgGenerateRandomBytes(AlgObject* object, std::uint8_t* out, std::uint32_t length,
                              const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kRandom); status != kOk) {
        return status;
    }
    if (length == 0) return kOk;
    if (out == nullptr) return kOutputTooSmall;
    return FamilyOperations<RandomHandlerOperations>(object->handler)
        .generate(object, object->handler, out, length, surrender);
}

Status AlgRandomSeedAtFirstDraw(AlgObject* object, RandomSeedSource source, std::uint32_t length) {
    if (!IsAlgObject(object)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kRandom); status != kOk) {
        return status;
    }
    if (source == nullptr || length == 0 || length > kMaxFirstDrawSeed) return kBadParameters;
    const auto& operations = FamilyOperations<RandomHandlerOperations>(object->handler);
    if (operations.seedAtFirstDraw == nullptr) return kNotSupported;
    return operations.seedAtFirstDraw(object->handler, source, length);
}

// ---- Encryption and decryption ---------------------------------------------------------------
namespace {

Status CipherInit(AlgObject* object, KeyObject* key, Chooser chooser,
                  const SurrenderContext* surrender, std::uint32_t direction) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (!IsKeyObject(key)) return kBadKeyObject;
    if (const Status status = CheckForInit(object, HandlerFamily::kEncryption); status != kOk) {
        return status;
    }
    const auto& operations = FamilyOperations<EncryptionHandlerOperations>(object->handler);
    Status status = operations.init(object, object->handler, key, chooser, direction, surrender);
    if (status == kOk) {
        status = direction == kEncryptSide
                     ? operations.encryptInit(object, object->handler, surrender)
                     : operations.decryptInit(object, object->handler, surrender);
    }
    MarkInitialized(object, status, direction == kEncryptSide ? 0 : kFlagDecryptSide);
    return status;
}

// Update and final: the object, the random object, then init for this side.
Status CheckCipherUse(const AlgObject* object, const AlgObject* random, std::uint32_t direction) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (!RandomObjectPasses(random)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kEncryption); status != kOk) {
        return status;
    }
    const bool decryptSide = (object->flags & kFlagDecryptSide) != 0;
    return decryptSide == (direction == kDecryptSide) ? kOk : kNotInitialized;
}

}  // namespace

Status AlgEncryptInit(AlgObject* object, KeyObject* key, Chooser chooser,
                      const SurrenderContext* surrender) {
    return CipherInit(object, key, chooser, surrender, kEncryptSide);
}

Status AlgDecryptInit(AlgObject* object, KeyObject* key, Chooser chooser,
                      const SurrenderContext* surrender) {
    return CipherInit(object, key, chooser, surrender, kDecryptSide);
}

Status AlgEncryptUpdate(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                        std::uint32_t maxLength, const std::uint8_t* in, std::uint32_t inLength,
                        AlgObject* random, const SurrenderContext* surrender) {
    if (const Status status = CheckCipherUse(object, random, kEncryptSide); status != kOk) {
        return status;
    }
    if (in == nullptr && inLength != 0) return kNullData;
    std::uint32_t local;
    return FamilyOperations<EncryptionHandlerOperations>(object->handler)
        .encryptUpdate(object, object->handler, out, LengthOrLocal(outLength, local), maxLength, in,
                       inLength, random, surrender);
}

Status AlgDecryptUpdate(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                        std::uint32_t maxLength, const std::uint8_t* in, std::uint32_t inLength,
                        AlgObject* random, const SurrenderContext* surrender) {
    if (const Status status = CheckCipherUse(object, random, kDecryptSide); status != kOk) {
        return status;
    }
    if (in == nullptr && inLength != 0) return kNullData;
    std::uint32_t local;
    return FamilyOperations<EncryptionHandlerOperations>(object->handler)
        .decryptUpdate(object, object->handler, out, LengthOrLocal(outLength, local), maxLength, in,
                       inLength, random, surrender);
}

Status AlgEncryptFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                       std::uint32_t maxLength, AlgObject* random,
                       const SurrenderContext* surrender) {
    if (const Status status = CheckCipherUse(object, random, kEncryptSide); status != kOk) {
        return status;
    }
    std::uint32_t local;
    return FamilyOperations<EncryptionHandlerOperations>(object->handler)
        .encryptFinal(object, object->handler, out, LengthOrLocal(outLength, local), maxLength,
                      random, surrender);
}

Status AlgDecryptFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                       std::uint32_t maxLength, AlgObject* random,
                       const SurrenderContext* surrender) {
    if (const Status status = CheckCipherUse(object, random, kDecryptSide); status != kOk) {
        return status;
    }
    std::uint32_t local;
    return FamilyOperations<EncryptionHandlerOperations>(object->handler)
        .decryptFinal(object, object->handler, out, LengthOrLocal(outLength, local), maxLength,
                      random, surrender);
}

// ---- Key-pair generation ---------------------------------------------------------------------

Status AlgGenerateInit(AlgObject* object, Chooser chooser, const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (const Status status = CheckForInit(object, HandlerFamily::kGeneration); status != kOk) {
        return status;
    }
    const Status status = FamilyOperations<GenerationHandlerOperations>(object->handler)
                              .init(object, object->handler, chooser, surrender);
    MarkInitialized(object, status);
    return status;
}

Status AlgGenerateKeypair(AlgObject* object, KeyObject* publicKey, KeyObject* privateKey,
                          AlgObject* random, const SurrenderContext* surrender) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    if (!IsKeyObject(publicKey) || !IsKeyObject(privateKey)) return kBadKeyObject;
    if (!IsAlgObject(random)) return kBadRandomObject;
    if (const Status status = CheckForUse(object, HandlerFamily::kGeneration); status != kOk) {
        return status;
    }
    return FamilyOperations<GenerationHandlerOperations>(object->handler)
        .keypair(object, object->handler, publicKey, privateKey, random, surrender);
}

}  // namespace quillon::toolkit
