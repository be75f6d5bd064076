// Handlers, methods and the chooser.
//
// AlgSetInfo builds a handler for the object's kind. Every handler starts with the same tag and
// carries its class's operation table: release first, then the operations of its family in a
// fixed order. A handler holds one or more method slots; its init fills each slot from the
// chooser (FillMethodSlot), which binds the first method that fits the slot's wanted kind, the
// direction and the key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/info_types.h"
#include "toolkit/objects.h"
#include "toolkit/status.h"

namespace quillon::toolkit {

// Optional {callback, handle}: long operations poll it; a non-zero answer cancels (kCancelled).
struct SurrenderContext {
    std::int32_t (*callback)(void* handle);
    void* handle;
};

// kCancelled when the surrender context asks to stop, else 0.
[[nodiscard]] inline Status PollSurrender(const SurrenderContext* surrender) {
    if (surrender == nullptr || surrender->callback == nullptr) return kOk;
    return surrender->callback(surrender->handle) != 0 ? kCancelled : kOk;
}

// A method: what it implements, for which side, the key form it needs and its primitives.
struct Method {
    InfoType kind;
    std::uint32_t direction;  // kEncryptSide or kDecryptSide (digest, random, ... carry 0)
    InfoType keyForm;         // null: needs no key
    const void* primitives;   // the primitive table; its shape belongs to the method family
};

inline constexpr std::uint32_t kEncryptSide = 1;
inline constexpr std::uint32_t kDecryptSide = 0;

// A chooser: method references ended by a null entry.
using Chooser = const Method* const*;

struct MethodSlot;
// Prepares a method for use in a slot (state in the object's memory list). Returns a toolkit
// status; kOutOfMemory, kDeviceFailure and kCancelled stop the chooser walk, any other failure
// tries the next method.
using BindOperation = Status (*)(AlgObject* object, MethodSlot* slot, const void* keyValue,
                                 const Method* method, const SurrenderContext* surrender);

struct MethodSlot {
    const void* wantedKind;  // descriptor of the algorithm kind wanted from the chooser
    BindOperation bind;
    const Method* method;    // after init: the chosen method
    const void* primitives;  // after init: its primitive table
    void* context;           // the method's state, owned by the object's memory list
    KeyObject* key;          // while a bind runs: the key it binds (methods keep forms there)
};

// Walks the chooser for one slot (first match that accepts the key wins). Result kNoMethod when no
// method matched kind and direction, else the status of the last method tried.
[[nodiscard]] Status FillMethodSlot(AlgObject* object, MethodSlot& slot, Chooser chooser,
                                    KeyObject* key, std::uint32_t direction,
                                    const SurrenderContext* surrender);

// Replaces the slot's method state with a zeroed block of length bytes; null when out of memory.
[[nodiscard]] void* SlotContextReserve(AlgObject* object, MethodSlot& slot, std::size_t length);

// ---- Handlers ------------------------------------------------------------------------------

inline constexpr std::uint32_t kHandlerTag = 0x484E444Cu;

enum class HandlerFamily : std::uint32_t {
    kDigest = 1,
    kRandom = 2,
    kEncryption = 3,
    kKeyAgreement = 4,
    kGeneration = 5,
};

struct Handler;

// The part every operation table starts with.
struct HandlerOperations {
    void (*release)(AlgObject* object, Handler* handler);  // may be null
    HandlerFamily family;
};

struct Handler {
    std::uint32_t tag;  // kHandlerTag
    const HandlerOperations* operations;
    std::uint32_t size;  // bytes of the whole handler block, wiped when it is freed
};

struct DigestHandlerOperations {
    HandlerOperations common;
    Status (*init)(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                   const SurrenderContext* surrender);
    Status (*update)(AlgObject* object, Handler* handler, const std::uint8_t* data,
                     std::uint32_t length, const SurrenderContext* surrender);
    Status (*final)(AlgObject* object, Handler* handler, std::uint8_t* out,
                    std::uint32_t* outLength, std::uint32_t maxLength,
                    const SurrenderContext* surrender);
};

// Seed material a random object asks for when it is first drawn from (AlgRandomSeedAtFirstDraw):
// fills out with length bytes and returns kOk, or fails with a status.
using RandomSeedSource = Status (*)(std::uint8_t* out, std::uint32_t length);

struct RandomHandlerOperations {
    HandlerOperations common;
    Status (*init)(AlgObject* object, Handler* handler, Chooser chooser,
                   const SurrenderContext* surrender);
    Status (*update)(AlgObject* object, Handler* handler, const std::uint8_t* seed,
                     std::uint32_t length, const SurrenderContext* surrender);
    Status (*generate)(AlgObject* object, Handler* handler, std::uint8_t* out, std::uint32_t length,
                       const SurrenderContext* surrender);
    // Null for kinds that take no seed.
    Status (*seedAtFirstDraw)(Handler* handler, RandomSeedSource source, std::uint32_t length);
};

struct EncryptionHandlerOperations {
    HandlerOperations common;
    // Selects the methods of one side (direction) for the key.
    Status (*init)(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                   std::uint32_t direction, const SurrenderContext* surrender);
    Status (*encryptInit)(AlgObject* object, Handler* handler, const SurrenderContext* surrender);
    Status (*decryptInit)(AlgObject* object, Handler* handler, const SurrenderContext* surrender);
    Status (*encryptUpdate)(AlgObject* object, Handler* handler, std::uint8_t* out,
                            std::uint32_t* outLength, std::uint32_t maxLength,
                            const std::uint8_t* in, std::uint32_t inLength, AlgObject* random,
                            const SurrenderContext* surrender);
    Status (*decryptUpdate)(AlgObject* object, Handler* handler, std::uint8_t* out,
                            std::uint32_t* outLength, std::uint32_t maxLength,
                            const std::uint8_t* in, std::uint32_t inLength, AlgObject* random,
                            const SurrenderContext* surrender);
    Status (*encryptFinal)(AlgObject* object, Handler* handler, std::uint8_t* out,
                           std::uint32_t* outLength, std::uint32_t maxLength, AlgObject* random,
                           const SurrenderContext* surrender);
    Status (*decryptFinal)(AlgObject* object, Handler* handler, std::uint8_t* out,
                           std::uint32_t* outLength, std::uint32_t maxLength, AlgObject* random,
                           const SurrenderContext* surrender);
};

struct KeyAgreementHandlerOperations {
    HandlerOperations common;
    Status (*init)(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                   const SurrenderContext* surrender);
    Status (*phase1)(AlgObject* object, Handler* handler, std::uint8_t* out,
                     std::uint32_t* outLength, std::uint32_t maxLength, AlgObject* random,
                     const SurrenderContext* surrender);
    Status (*phase2)(AlgObject* object, Handler* handler, std::uint8_t* out,
                     std::uint32_t* outLength, std::uint32_t maxLength,
                     const std::uint8_t* otherValue, std::uint32_t otherLength,
                     const SurrenderContext* surrender);
};

struct GenerationHandlerOperations {
    HandlerOperations common;
    Status (*init)(AlgObject* object, Handler* handler, Chooser chooser,
                   const SurrenderContext* surrender);
    Status (*keypair)(AlgObject* object, Handler* handler, KeyObject* publicKey,
                      KeyObject* privateKey, AlgObject* random, const SurrenderContext* surrender);
};

// The family table behind a handler (its first member is the common part).
template <typename Operations>
[[nodiscard]] const Operations& FamilyOperations(const Handler* handler) {
    return *reinterpret_cast<const Operations*>(handler->operations);
}

// Makes a zeroed handler of type T (whose first member is a Handler) with its tag and table for
// the object: in the object's handler room when it fits there, else allocated. Null when out of
// memory.
template <typename T>
[[nodiscard]] T* NewHandler(AlgObject* object, const HandlerOperations* operations);

// Non-template part of NewHandler.
[[nodiscard]] Handler* MakeHandler(AlgObject* object, std::size_t size, std::size_t alignment,
                                   const HandlerOperations* operations);

template <typename T>
T* NewHandler(AlgObject* object, const HandlerOperations* operations) {
    return reinterpret_cast<T*>(MakeHandler(object, sizeof(T), alignof(T), operations));
}

}  // namespace quillon::toolkit
