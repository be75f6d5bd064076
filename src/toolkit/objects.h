// Algorithm objects and key objects: the two kinds of toolkit object, with the fields in the order
// callers and methods rely on, and the checks that tell a live object from anything else.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/memory_list.h"
#include "toolkit/status.h"

namespace quillon::toolkit {

struct Handler;

// One (kind, value) pair per info stored in an object; kind is the info type's descriptor.
struct InfoPair {
    const void* kind;
    void* value;
};

// The first pairs live in the list itself, inside the owning object: an object with one info
// (nearly all) needs no allocation for it. A longer array lives in the object's memory list.
inline constexpr std::uint32_t kInfoListFirstPairs = 2;

struct InfoList {
    std::uint32_t count;
    std::uint32_t capacity;
    InfoPair* pairs;  // null until the first pair, then firstPairs or a memory-list block
    InfoPair firstPairs[kInfoListFirstPairs];
};

// One working buffer of an object, released (wiped) with it.
struct ScratchBuffer {
    void* data;
    std::uint32_t length;
    ReleaseOperation release;  // null: wipe and free
};

// Flag bits of an algorithm object.
inline constexpr std::uint32_t kFlagInitialized = 1u << 0;
// Bits 1 to 4 would admit one companion info after the object's own; no kind of this module
// uses one, so every second AlgSetInfo is refused.
inline constexpr std::uint32_t kFlagCompanionMask = 0xFu << 1;
// Set together with kFlagInitialized when an encryption object was initialised to decrypt.
inline constexpr std::uint32_t kFlagDecryptSide = 1u << 5;
// The object lives in storage its creator owns (AlgCreateIn): destroying it wipes it but frees
// nothing.
inline constexpr std::uint32_t kFlagCallerStorage = 1u << 6;

// Bytes inside an algorithm object for its handler: the handlers of the small kinds (digests,
// random generators, DES-CBC, key agreement) live there, so making one costs no allocation. It is
// left as malloc gives it until a handler is made in it (which zeroes what it takes). Aligned for
// 64-bit words and pointers, no more: the object comes from malloc, which promises only 8 bytes
// on 32-bit Windows.
inline constexpr std::size_t kHandlerRoom = 208;
inline constexpr std::size_t kHandlerRoomAlignment = alignof(std::uint64_t);

struct AlgObject {
    MemoryList memory;
    InfoList infos;
    ScratchBuffer scratch;
    Handler* handler;  // built by AlgSetInfo
    std::uint32_t flags;
    const std::uint32_t* typeMarker;            // &kAlgObjectMarker
    AlgObject* self;                            // the object's own address while it lives
    MemoryEntry firstEntries[kMemoryListStep];  // the memory list's first array
    alignas(kHandlerRoomAlignment) std::uint8_t handlerRoom[kHandlerRoom];
};

struct KeyObject {
    MemoryList memory;
    InfoList infos;
    ScratchBuffer scratch;
    const std::uint32_t* typeMarker;  // &kKeyObjectMarker
    KeyObject* self;
    MemoryEntry firstEntries[kMemoryListStep];  // the memory list's first array
    // Keeps a key object at least as large as an algorithm object's fields, so that checking a
    // key handed to an algorithm operation by mistake reads only the key's own memory.
    std::uint8_t reserved[sizeof(Handler*) + sizeof(std::uint32_t)];
};

static_assert(sizeof(KeyObject) >= offsetof(AlgObject, handlerRoom));

// The markers' addresses, not their values, identify the two kinds of object.
extern const std::uint32_t kAlgObjectMarker;
extern const std::uint32_t kKeyObjectMarker;

[[nodiscard]] inline bool IsAlgObject(const AlgObject* object) {
    return object != nullptr && object->self == object && object->typeMarker == &kAlgObjectMarker;
}

[[nodiscard]] inline bool IsKeyObject(const KeyObject* key) {
    return key != nullptr && key->self == key && key->typeMarker == &kKeyObjectMarker;
}

// ---- Making and releasing the objects --------------------------------------------------------
// Writes a new empty algorithm object, or null (kOutOfMemory).
[[nodiscard]] Status AlgCreate(AlgObject** handle);
// Writes a new empty object built in storage that the caller owns and keeps until the object is
// destroyed (a block holding the object's handle and the object together, say). AlgDestroy wipes
// such an object and leaves the storage to its owner. Needs no memory of its own.
[[nodiscard]] Status AlgCreateIn(AlgObject** handle, AlgObject* storage);
// Releases a valid object (wiping everything it owns); always clears the handle variable.
Status AlgDestroy(AlgObject** handle);

[[nodiscard]] Status KeyCreate(KeyObject** handle);
// Releases a valid key (wiping everything it holds); always clears the handle variable.
Status KeyDestroy(KeyObject** handle);

// ---- The parts of an object ------------------------------------------------------------------
// Appends a pair; the pair array grows inside the memory list. kOutOfMemory when out of memory.
[[nodiscard]] Status InfoListAdd(MemoryList& memory, InfoList& infos, const void* kind,
                                 void* value);

// The pair of that kind, or null.
[[nodiscard]] const InfoPair* InfoListFind(const InfoList& infos, const void* kind);

// Replaces the scratch buffer with a zeroed one of length bytes; null when out of memory.
[[nodiscard]] void* ScratchReserve(ScratchBuffer& scratch, std::uint32_t length);
void ScratchRelease(ScratchBuffer& scratch);

// Returns a live key object to Empty, wiping everything it held: a key-pair generation that
// could store only one half of the pair leaves neither.
void KeyClear(KeyObject* key);

}  // namespace quillon::toolkit
