// The digest kinds InfoSha1 and InfoMd5 and their handler: one method slot that wants the
// object's own kind.
#include <cstddef>

#include "toolkit/methods/primitives.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

// Room in the handler for the state of the usual digest methods, saving an allocation per
// digest; the handler block is wiped when it is freed, like the memory list.
constexpr std::size_t kStateRoom = 128;

struct DigestHandler {
    Handler base;
    MethodSlot slot;
    // The states are 32-bit words and a 64-bit count.
    alignas(std::uint64_t) std::uint8_t stateRoom[kStateRoom];
};
// A digest object is one allocation: the handler lives in the object's handler room.
static_assert(sizeof(DigestHandler) <= kHandlerRoom);

const methods::DigestPrimitives& PrimitivesOf(const MethodSlot& slot) {
    return *static_cast<const methods::DigestPrimitives*>(slot.primitives);
}

Status BindDigest(AlgObject* object, MethodSlot* slot, const void*, const Method* method,
                  const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::DigestPrimitives*>(method->primitives);
    auto& handler = *reinterpret_cast<DigestHandler*>(object->handler);
    void* context;
    if (primitives->contextSize <= kStateRoom) {
        MemoryFree(object->memory, slot->context);
        // Zero since the handler was made; the method's init sets what it reads.
        context = slot->context = handler.stateRoom;
    } else {
        context = SlotContextReserve(object, *slot, primitives->contextSize);
        if (context == nullptr) return kOutOfMemory;
    }
    primitives->init(context);
    return kOk;
}

Status DigestInit(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                  const SurrenderContext* surrender) {
    auto* digest = reinterpret_cast<DigestHandler*>(handler);
    return FillMethodSlot(object, digest->slot, chooser, key, 0, surrender);
}

Status DigestUpdate(AlgObject*, Handler* handler, const std::uint8_t* data, std::uint32_t length,
                    const SurrenderContext*) {
    const MethodSlot& slot = reinterpret_cast<DigestHandler*>(handler)->slot;
    PrimitivesOf(slot).update(slot.context, data, length);
    return kOk;
}

// Writes the digest and starts the next one, so the object can be used again.
Status DigestFinal(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t* outLength,
                   std::uint32_t maxLength, const SurrenderContext*) {
    const MethodSlot& slot = reinterpret_cast<DigestHandler*>(handler)->slot;
    const methods::DigestPrimitives& primitives = PrimitivesOf(slot);
    *outLength = 0;
    if (maxLength < primitives.digestLength || out == nullptr) return kOutputTooSmall;
    primitives.final(slot.context, out);
    primitives.init(slot.context);
    *outLength = primitives.digestLength;
    return kOk;
}

constexpr DigestHandlerOperations kDigestOperations = {
    {nullptr, HandlerFamily::kDigest}, DigestInit, DigestUpdate, DigestFinal};

Handler* MakeDigestHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<DigestHandler>(object, &kDigestOperations.common);
    if (handler == nullptr) return nullptr;
    handler->slot.wantedKind = kind;
    handler->slot.bind = BindDigest;
    return &handler->base;
}

constexpr AlgInfoClass kDigestClass = {SetWithoutParameters, MakeDigestHandler, nullptr};
constexpr AlgInfoDescriptor kSha1Descriptor = {&kDigestClass, nullptr, nullptr, "SHA-1"};
constexpr AlgInfoDescriptor kMd5Descriptor = {&kDigestClass, nullptr, nullptr, "MD5"};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoSha1(const void** descriptor) {
    *descriptor = &kinds::kSha1Descriptor;
    return kAlgorithmInfoCode;
}

std::int32_t InfoMd5(const void** descriptor) {
    *descriptor = &kinds::kMd5Descriptor;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
