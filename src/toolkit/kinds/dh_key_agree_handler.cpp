// The key-agreement kind InfoDhKeyAgree: its parameter record (copied into the object) and its
// handler, one method slot that wants InfoDhKeyAgree. Initialised through AlgDigestInit.
#include "toolkit/methods/key_agree_primitives.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

struct KeyAgreementHandler {
    Handler base;
    MethodSlot slot;
    const DhKeyAgreeParams* parameters;
};

std::uint32_t BitLength(const Item& number) {
    for (std::uint32_t i = 0; i < number.length; ++i) {
        if (number.data[i] == 0) continue;
        std::uint32_t bits = 8 * (number.length - i - 1);
        for (unsigned top = number.data[i]; top != 0; top >>= 1) ++bits;
        return bits;
    }
    return 0;
}

bool HasBytes(const Item& item) {
    return item.data != nullptr && item.length != 0;
}

Status SetDhKeyAgree(const AlgInfoDescriptor* kind, AlgObject* object, const void* parameters) {
    const auto* given = static_cast<const DhKeyAgreeParams*>(parameters);
    if (given == nullptr || !HasBytes({given->prime, given->primeLength}) ||
        !HasBytes({given->generator, given->generatorLength}) || given->privateValueBits == 0) {
        return kBadParameters;
    }
    if (given->privateValueBits > BitLength({given->prime, given->primeLength})) {
        return kDataMalformed;
    }
    auto* stored = MemoryNew<DhKeyAgreeParams>(object->memory);
    if (stored == nullptr) return kOutOfMemory;
    stored->prime = MemoryCopyOf(object->memory, given->prime, given->primeLength);
    stored->generator = MemoryCopyOf(object->memory, given->generator, given->generatorLength);
    if (stored->prime == nullptr || stored->generator == nullptr) return kOutOfMemory;
    stored->primeLength = given->primeLength;
    stored->generatorLength = given->generatorLength;
    stored->privateValueBits = given->privateValueBits;
    return InfoListAdd(object->memory, object->infos, kind, stored);
}

KeyAgreementHandler& HandlerOf(AlgObject* object) {
    return *reinterpret_cast<KeyAgreementHandler*>(object->handler);
}

const methods::KeyAgreePrimitives& PrimitivesOf(const MethodSlot& slot) {
    return *static_cast<const methods::KeyAgreePrimitives*>(slot.primitives);
}

Status BindKeyAgreement(AlgObject* object, MethodSlot* slot, const void*, const Method* method,
                        const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::KeyAgreePrimitives*>(method->primitives);
    void* context = SlotContextReserve(object, *slot, primitives->contextSize);
    if (context == nullptr) return kOutOfMemory;
    return TranslateMethodStatus(primitives->setup(object, context, *HandlerOf(object).parameters));
}

Status KeyAgreementInit(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                        const SurrenderContext* surrender) {
    auto& agreement = *reinterpret_cast<KeyAgreementHandler*>(handler);
    return FillMethodSlot(object, agreement.slot, chooser, key, 0, surrender);
}

Status KeyAgreementPhase1(AlgObject* object, Handler* handler, std::uint8_t* out,
                          std::uint32_t* outLength, std::uint32_t maxLength, AlgObject* random,
                          const SurrenderContext* surrender) {
    const MethodSlot& slot = reinterpret_cast<KeyAgreementHandler*>(handler)->slot;
    *outLength = 0;
    return TranslateMethodStatus(PrimitivesOf(slot).phase1(object, slot.context, out, outLength,
                                                           maxLength, random, surrender));
}

Status KeyAgreementPhase2(AlgObject* object, Handler* handler, std::uint8_t* out,
                          std::uint32_t* outLength, std::uint32_t maxLength,
                          const std::uint8_t* otherValue, std::uint32_t otherLength,
                          const SurrenderContext* surrender) {
    const MethodSlot& slot = reinterpret_cast<KeyAgreementHandler*>(handler)->slot;
    *outLength = 0;
    return TranslateMethodStatus(PrimitivesOf(slot).phase2(
        object, slot.context, out, outLength, maxLength, otherValue, otherLength, surrender));
}

constexpr KeyAgreementHandlerOperations kKeyAgreementOperations = {
    {nullptr, HandlerFamily::kKeyAgreement},
    KeyAgreementInit,
    KeyAgreementPhase1,
    KeyAgreementPhase2};

Handler* MakeKeyAgreementHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<KeyAgreementHandler>(object, &kKeyAgreementOperations.common);
    if (handler == nullptr) return nullptr;
    handler->slot.wantedKind = kind;
    handler->slot.bind = BindKeyAgreement;
    handler->parameters =
        static_cast<const DhKeyAgreeParams*>(InfoListFind(object->infos, kind)->value);
    return &handler->base;
}

constexpr AlgInfoClass kDhKeyAgreeClass = {SetDhKeyAgree, MakeKeyAgreementHandler, nullptr};
constexpr AlgInfoDescriptor kDhKeyAgreeDescriptor = {&kDhKeyAgreeClass, nullptr, nullptr, nullptr};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoDhKeyAgree(const void** descriptor) {
    *descriptor = &kinds::kDhKeyAgreeDescriptor;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
