// Method selection: the walk of a chooser for one method slot of a handler.
#include "toolkit/toolkit.h"

namespace quillon::toolkit {
namespace {

// Failures that end the walk instead of making one method unusable.
bool StopsTheWalk(Status status) {
    return status == kOutOfMemory || status == kDeviceFailure || status == kCancelled;
}

}  // namespace

Status FillMethodSlot(AlgObject* object, MethodSlot& slot, Chooser chooser, KeyObject* key,
                      std::uint32_t direction, const SurrenderContext* surrender) {
    Status result = kNoMethod;
    if (chooser == nullptr) return result;
    for (Chooser entry = chooser; *entry != nullptr; ++entry) {
        const Method* method = *entry;
        if (method->direction != direction || KindOf(method->kind).descriptor != slot.wantedKind) {
            continue;
        }
        void* keyValue = nullptr;
        if (method->keyForm != nullptr) {
            const Status status = KeyGetInfo(&keyValue, key, method->keyForm);
            if (StopsTheWalk(status)) return status;
            if (status != kOk) {
                result = status;
                continue;
            }
        }
        slot.key = key;
        const Status status = slot.bind(object, &slot, keyValue, method, surrender);
        slot.key = nullptr;
        if (status == kOk) {
            slot.method = method;
            slot.primitives = method->primitives;
            return kOk;
        }
        if (StopsTheWalk(status)) return status;
        result = status;
    }
    return result;
}

void* SlotContextReserve(AlgObject* object, MethodSlot& slot, std::size_t length) {
    MemoryFree(object->memory, slot.context);
    slot.context = MemoryAllocate(object->memory, length);
    return slot.context;
}

}  // namespace quillon::toolkit
