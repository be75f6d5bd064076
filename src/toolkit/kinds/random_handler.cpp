// The random-generator kinds InfoRandomFips186 and InfoRandomMultiStream and their handler: one
// method slot that wants the object's own kind; the method's state starts from the object's
// parameter record. A seed deferred to the first draw waits in the handler.
#include <cstddef>
#include <cstring>

#include "support/secure_wipe.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/random_params.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

struct RandomHandler {
    Handler base;
    MethodSlot slot;
    const void* parameters;            // the stored record, or null
    RandomSeedSource firstDrawSource;  // null once the deferred seed is in (or none was asked)
    std::uint32_t firstDrawLength;
};

RandomHandler& HandlerOf(AlgObject* object) {
    return *reinterpret_cast<RandomHandler*>(object->handler);
}

const methods::RandomPrimitives& PrimitivesOf(const MethodSlot& slot) {
    return *static_cast<const methods::RandomPrimitives*>(slot.primitives);
}

Status BindRandom(AlgObject* object, MethodSlot* slot, const void*, const Method* method,
                  const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::RandomPrimitives*>(method->primitives);
    void* context = SlotContextReserve(object, *slot, primitives->contextSize);
    if (context == nullptr) return kOutOfMemory;
    return TranslateMethodStatus(primitives->init(context, HandlerOf(object).parameters));
}

Status RandomInit(AlgObject* object, Handler* handler, Chooser chooser,
                  const SurrenderContext* surrender) {
    auto* random = reinterpret_cast<RandomHandler*>(handler);
    return FillMethodSlot(object, random->slot, chooser, nullptr, 0, surrender);
}

Status RandomUpdate(AlgObject*, Handler* handler, const std::uint8_t* seed, std::uint32_t length,
                    const SurrenderContext*) {
    const MethodSlot& slot = reinterpret_cast<RandomHandler*>(handler)->slot;
    return TranslateMethodStatus(PrimitivesOf(slot).update(slot.context, seed, length));
}

// The deferred seed: taken from its source and given to the method as an update.
Status SeedFromSource(RandomHandler& random) {
    std::uint8_t block[kMaxFirstDrawSeed];
    Status status = random.firstDrawSource(block, random.firstDrawLength);
    if (status == kOk) {
        status = TranslateMethodStatus(
            PrimitivesOf(random.slot).update(random.slot.context, block, random.firstDrawLength));
    }
    support::SecureWipe(block, random.firstDrawLength);
    if (status == kOk) random.firstDrawSource = nullptr;
    return status;
}

Status RandomGenerate(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t length,
                      const SurrenderContext*) {
    auto& random = *reinterpret_cast<RandomHandler*>(handler);
    if (random.firstDrawSource != nullptr) {
        if (const Status status = SeedFromSource(random); status != kOk) return status;
    }
    const MethodSlot& slot = random.slot;
    return TranslateMethodStatus(PrimitivesOf(slot).generate(slot.context, out, length));
}

Status RandomSeedAtFirstDraw(Handler* handler, RandomSeedSource source, std::uint32_t length) {
    auto& random = *reinterpret_cast<RandomHandler*>(handler);
    random.firstDrawSource = source;
    random.firstDrawLength = length;
    return kOk;
}

constexpr RandomHandlerOperations kRandomOperations = {{nullptr, HandlerFamily::kRandom},
                                                       RandomInit,
                                                       RandomUpdate,
                                                       RandomGenerate,
                                                       RandomSeedAtFirstDraw};

Handler* MakeRandomHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<RandomHandler>(object, &kRandomOperations.common);
    if (handler == nullptr) return nullptr;
    handler->slot.wantedKind = kind;
    handler->slot.bind = BindRandom;
    const InfoPair* info = InfoListFind(object->infos, kind);
    handler->parameters = info != nullptr ? info->value : nullptr;
    return &handler->base;
}

// Copies an Item's bytes into the memory list; an empty Item stays empty.
bool CopyItem(MemoryList& memory, Item& to, const Item& from) {
    to = {nullptr, 0};
    if (from.length == 0) return true;
    to.data = MemoryCopyOf(memory, from.data, from.length);
    to.length = from.length;
    return to.data != nullptr;
}

Status SetFips186(const AlgInfoDescriptor* kind, AlgObject* object, const void* parameters) {
    if (parameters == nullptr) return InfoListAdd(object->memory, object->infos, kind, nullptr);
    const auto& given = *static_cast<const RandomFips186Params*>(parameters);
    const bool keyLengthFits =
        given.key.length == 0 || (given.key.length >= 20 && given.key.length <= 64);
    if (!keyLengthFits || (given.key.length != 0 && given.key.data == nullptr) ||
        (given.seed.length != 0 && given.seed.data == nullptr)) {
        return kBadParameters;
    }
    auto* stored = MemoryNew<RandomFips186Params>(object->memory);
    if (stored == nullptr || !CopyItem(object->memory, stored->seed, given.seed) ||
        !CopyItem(object->memory, stored->key, given.key)) {
        return kOutOfMemory;
    }
    return InfoListAdd(object->memory, object->infos, kind, stored);
}

Status SetMultiStream(const AlgInfoDescriptor* kind, AlgObject* object, const void* parameters) {
    if (parameters == nullptr) return InfoListAdd(object->memory, object->infos, kind, nullptr);
    const auto& given = *static_cast<const RandomMultiStreamParams*>(parameters);
    if (given.streamCount == 0 || given.streamCount > kMaxRandomStreams) return kBadParameters;
    RandomMultiStreamParams* stored = MemoryCopyOf(object->memory, &given);
    if (stored == nullptr) return kOutOfMemory;
    return InfoListAdd(object->memory, object->infos, kind, stored);
}

constexpr AlgInfoClass kFips186Class = {SetFips186, MakeRandomHandler, nullptr};
constexpr AlgInfoClass kMultiStreamClass = {SetMultiStream, MakeRandomHandler, nullptr};
constexpr AlgInfoDescriptor kFips186Descriptor = {&kFips186Class, nullptr, nullptr, nullptr};
constexpr AlgInfoDescriptor kMultiStreamDescriptor = {&kMultiStreamClass, nullptr, nullptr,
                                                      nullptr};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoRandomFips186(const void** descriptor) {
    *descriptor = &kinds::kFips186Descriptor;
    return kAlgorithmInfoCode;
}

std::int32_t InfoRandomMultiStream(const void** descriptor) {
    *descriptor = &kinds::kMultiStreamDescriptor;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
