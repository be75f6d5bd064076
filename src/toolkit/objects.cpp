// Creating and destroying algorithm and key objects, and the lists every object carries.
#include <cstddef>
#include <cstring>

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/handler.h"
#include "toolkit/objects.h"

namespace quillon::toolkit {

constinit const std::uint32_t kAlgObjectMarker = 0x414C474Fu;  // "ALGO"
constinit const std::uint32_t kKeyObjectMarker = 0x4B455931u;  // "KEY1"

Status InfoListAdd(MemoryList& memory, InfoList& infos, const void* kind, void* value) {
    if (infos.capacity == 0) {
        infos.pairs = infos.firstPairs;
        infos.capacity = kInfoListFirstPairs;
    }
    if (infos.count == infos.capacity) {
        const std::uint32_t capacity = infos.capacity * 2;
        auto* pairs = MemoryNewArray<InfoPair>(memory, capacity);
        if (pairs == nullptr) return kOutOfMemory;
        std::memcpy(pairs, infos.pairs, infos.count * sizeof(InfoPair));
        // The built-in first pairs are not in the memory list: freeing them is ignored.
        MemoryFree(memory, infos.pairs);
        infos.pairs = pairs;
        infos.capacity = capacity;
    }
    infos.pairs[infos.count++] = {kind, value};
    return kOk;
}

const InfoPair* InfoListFind(const InfoList& infos, const void* kind) {
    for (std::uint32_t i = 0; i < infos.count; ++i) {
        if (infos.pairs[i].kind == kind) return &infos.pairs[i];
    }
    return nullptr;
}

void* ScratchReserve(ScratchBuffer& scratch, std::uint32_t length) {
    ScratchRelease(scratch);
    scratch.data = support::AllocateZeroed(length);
    if (scratch.data != nullptr) scratch.length = length;
    return scratch.data;
}

void ScratchRelease(ScratchBuffer& scratch) {
    if (scratch.data != nullptr) {
        if (scratch.release != nullptr) {
            scratch.release(scratch.data, scratch.length);
        } else {
            support::WipeAndRelease(scratch.data, scratch.length);
        }
    }
    scratch = {};
}

Handler* MakeHandler(AlgObject* object, std::size_t size, std::size_t alignment,
                     const HandlerOperations* operations) {
    void* block;
    if (object->handler == nullptr && size <= kHandlerRoom && alignment <= kHandlerRoomAlignment) {
        block = object->handlerRoom;
        std::memset(block, 0, size);
    } else {
        block = support::AllocateZeroed(size);
        if (block == nullptr) return nullptr;
    }
    auto* handler = static_cast<Handler*>(block);
    handler->tag = kHandlerTag;
    handler->operations = operations;
    handler->size = static_cast<std::uint32_t>(size);
    return handler;
}

namespace {

// Sets an object's fields in storage that holds an AlgObject as it is (malloc's or a caller's).
// The memory list's first entries, the first info pairs and the handler room are written before
// they are read, so they are left as they are.
AlgObject* StartObject(AlgObject* object, std::uint32_t flags) {
    object->memory = MemoryListWithFirstEntries(object->firstEntries);
    object->infos.count = 0;
    object->infos.capacity = 0;
    object->infos.pairs = nullptr;
    object->scratch = {};
    object->handler = nullptr;
    object->flags = flags;
    object->typeMarker = &kAlgObjectMarker;
    object->self = object;
    return object;
}

}  // namespace

Status AlgCreate(AlgObject** handle) {
    if (handle == nullptr) return kBadParameters;
    auto* object = static_cast<AlgObject*>(support::Allocate(sizeof(AlgObject)));
    *handle = object;
    if (object == nullptr) return kOutOfMemory;
    StartObject(object, 0);
    return kOk;
}

Status AlgCreateIn(AlgObject** handle, AlgObject* storage) {
    if (handle == nullptr || storage == nullptr) return kBadParameters;
    *handle = StartObject(storage, kFlagCallerStorage);
    return kOk;
}

Status AlgDestroy(AlgObject** handle) {
    if (handle == nullptr) return kOk;
    AlgObject* object = *handle;
    *handle = nullptr;
    // Something that is not a live object is not ours to free.
    if (!IsAlgObject(object)) return kOk;
    object->self = nullptr;
    ScratchRelease(object->scratch);
    if (Handler* handler = object->handler; handler != nullptr) {
        if (handler->tag == kHandlerTag && handler->operations->release != nullptr) {
            handler->operations->release(object, handler);
        }
        if (handler == static_cast<void*>(object->handlerRoom)) {
            support::SecureWipe(handler, handler->size);
        } else {
            support::WipeAndRelease(handler, handler->size);
        }
        object->handler = nullptr;
    }
    MemoryListRelease(object->memory);
    const bool callerStorage = (object->flags & kFlagCallerStorage) != 0;
    // The fields; the first entries only held the addresses and lengths of blocks wiped above,
    // and the rest of the handler room was never written.
    support::SecureWipe(object, offsetof(AlgObject, firstEntries));
    if (!callerStorage) support::Release(object);
    return kOk;
}

Status KeyCreate(KeyObject** handle) {
    if (handle == nullptr) return kBadParameters;
    auto* key = support::New<KeyObject>();
    *handle = key;
    if (key == nullptr) return kOutOfMemory;
    key->memory = MemoryListWithFirstEntries(key->firstEntries);
    key->typeMarker = &kKeyObjectMarker;
    key->self = key;
    return kOk;
}

void KeyClear(KeyObject* key) {
    ScratchRelease(key->scratch);
    MemoryListRelease(key->memory);
    key->memory = MemoryListWithFirstEntries(key->firstEntries);
    key->infos = {};
}

Status KeyDestroy(KeyObject** handle) {
    if (handle == nullptr) return kOk;
    KeyObject* key = *handle;
    *handle = nullptr;
    if (!IsKeyObject(key)) return kOk;
    key->self = nullptr;
    ScratchRelease(key->scratch);
    MemoryListRelease(key->memory);
    support::WipeAndRelease(key, sizeof(KeyObject));
    return kOk;
}

}  // namespace quillon::toolkit
