// The crypto toolkit's operations: what the digest, random, Diffie-Hellman, RSA and profile
// families call. Every operation follows one pattern: create an empty algorithm object, give it
// an info type and a parameter record, initialise it (with a key object or none, DefaultChooser,
// no surrender context), feed it, finish it, destroy it.
//
// All operations return a toolkit status (status.h; 0 = success). Handles are passed by value,
// except by the operations that create or destroy one, which take the handle variable's address.
#pragma once

#include <cstdint>

#include "toolkit/handler.h"
#include "toolkit/info_types.h"
#include "toolkit/item.h"
#include "toolkit/objects.h"
#include "toolkit/status.h"

namespace quillon::toolkit {

// The module's one read-only list of methods (nineteen, then the null end).
extern const Method* const DefaultChooser[20];

// ---- Algorithm objects (AlgCreate, AlgCreateIn and AlgDestroy: objects.h) --------------------
// Gives the object its kind: kBadAlgorithmObject not an object, kKeyInfoToAlgorithm not an
// algorithm-info type, kInfoAlreadySet the object already holds an info, else the kind's set
// status; kOutOfMemory when no handler can be built.
[[nodiscard]] Status AlgSetInfo(AlgObject* object, InfoType type, const void* parameters);
// The object's parameters in the given kind's form (pointer into the object's storage).
[[nodiscard]] Status AlgGetInfo(void** info, AlgObject* object, InfoType type);

// Digest objects; key-agreement objects are initialised through AlgDigestInit as well.
[[nodiscard]] Status AlgDigestInit(AlgObject* object, KeyObject* key, Chooser chooser,
                                   const SurrenderContext* surrender);
[[nodiscard]] Status AlgDigestUpdate(AlgObject* object, const std::uint8_t* data,
                                     std::uint32_t length, const SurrenderContext* surrender);
[[nodiscard]] Status AlgDigestFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                                    std::uint32_t maxLength, const SurrenderContext* surrender);

// Key agreement (after AlgDigestInit).
[[nodiscard]] Status AlgKeyAgreePhase1(AlgObject* object, std::uint8_t* out,
                                       std::uint32_t* outLength, std::uint32_t maxLength,
                                       AlgObject* random, const SurrenderContext* surrender);
[[nodiscard]] Status AlgKeyAgreePhase2(AlgObject* object, std::uint8_t* out,
                                       std::uint32_t* outLength, std::uint32_t maxLength,
                                       const std::uint8_t* otherValue, std::uint32_t otherLength,
                                       const SurrenderContext* surrender);

// Random objects: every check of these reports kBadRandomObject for something that is not an
// object.
[[nodiscard]] Status AlgRandomInit(AlgObject* object, Chooser chooser,
                                   const SurrenderContext* surrender);
[[nodiscard]] Status AlgRandomUpdate(AlgObject* object, const std::uint8_t* seed,
                                     std::uint32_t length, const SurrenderContext* surrender);
[[nodiscard]] Status AlgGenerateRandomBytes(AlgObject* object, std::uint8_t* out,
                                            std::uint32_t length,
                                            const SurrenderContext* surrender);
// Defers seeding an initialised random object until it is first asked for bytes: that draw first
// takes length bytes (at most kMaxFirstDrawSeed) from source and gives them to the object as an
// AlgRandomUpdate would, then draws. An object never drawn from never calls source; a source
// that fails fails that draw with its status, and the next draw asks it again. kNotSupported for a
// kind that takes no seed.
inline constexpr std::uint32_t kMaxFirstDrawSeed = 256;
[[nodiscard]] Status AlgRandomSeedAtFirstDraw(AlgObject* object, RandomSeedSource source,
                                              std::uint32_t length);

// Encryption and decryption; random may be null where the kind needs none.
[[nodiscard]] Status AlgEncryptInit(AlgObject* object, KeyObject* key, Chooser chooser,
                                    const SurrenderContext* surrender);
[[nodiscard]] Status AlgEncryptUpdate(AlgObject* object, std::uint8_t* out,
                                      std::uint32_t* outLength, std::uint32_t maxLength,
                                      const std::uint8_t* in, std::uint32_t inLength,
                                      AlgObject* random, const SurrenderContext* surrender);
[[nodiscard]] Status AlgEncryptFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                                     std::uint32_t maxLength, AlgObject* random,
                                     const SurrenderContext* surrender);
[[nodiscard]] Status AlgDecryptInit(AlgObject* object, KeyObject* key, Chooser chooser,
                                    const SurrenderContext* surrender);
[[nodiscard]] Status AlgDecryptUpdate(AlgObject* object, std::uint8_t* out,
                                      std::uint32_t* outLength, std::uint32_t maxLength,
                                      const std::uint8_t* in, std::uint32_t inLength,
                                      AlgObject* random, const SurrenderContext* surrender);
[[nodiscard]] Status AlgDecryptFinal(AlgObject* object, std::uint8_t* out, std::uint32_t* outLength,
                                     std::uint32_t maxLength, AlgObject* random,
                                     const SurrenderContext* surrender);

// Key-pair generation.
[[nodiscard]] Status AlgGenerateInit(AlgObject* object, Chooser chooser,
                                     const SurrenderContext* surrender);
[[nodiscard]] Status AlgGenerateKeypair(AlgObject* object, KeyObject* publicKey,
                                        KeyObject* privateKey, AlgObject* random,
                                        const SurrenderContext* surrender);

// ---- Key objects (KeyCreate and KeyDestroy: objects.h) --------------------------------------
// kBadKeyObject not a key, kWrongAlgorithm not a key-info type, kKeyAlreadySet the key already
// holds a key.
[[nodiscard]] Status KeySetInfo(KeyObject* key, InfoType type, const void* record);
// The key in the given form; the pointer stays owned by the key (same pointer on every call).
// kBadKeyObject not a key, kWrongAlgorithm not a key-info type, kKeyEmpty empty key, else the
// form's get status.
[[nodiscard]] Status KeyGetInfo(void** record, KeyObject* key, InfoType type);

}  // namespace quillon::toolkit
