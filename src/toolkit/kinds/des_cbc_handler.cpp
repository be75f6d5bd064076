// The encryption kind InfoDesCbc: DES in CBC mode without padding, built from two methods of the
// chooser, the DES block cipher (which needs a KeyInfoDes key) and block chaining. Its record is
// an Item holding the 8-byte initial chaining value. Updates take any length and keep a partial
// block for the next call; final refuses a message that did not end on a block boundary
// (kLengthOutOfRange). Each final ends a message: the chaining value starts again from the record.
#include <cstring>

#include "toolkit/methods/primitives.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr std::uint32_t kBlock = 8;

struct CbcHandler {
    Handler base;
    MethodSlot cipher;
    MethodSlot chaining;
    const Item* iv;
    std::uint32_t pendingLength;
    std::uint8_t pending[kBlock];
};

CbcHandler& HandlerOf(AlgObject* object) {
    return *reinterpret_cast<CbcHandler*>(object->handler);
}

Status BindCipher(AlgObject* object, MethodSlot* slot, const void* keyValue, const Method* method,
                  const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::BlockCipherPrimitives*>(method->primitives);
    const auto* key = static_cast<const Item*>(keyValue);
    if (primitives->blockLength != kBlock) return kNotSupported;
    if (key == nullptr || key->length != primitives->keyLength) return kKeyFormUnavailable;
    void* context = SlotContextReserve(object, *slot, primitives->contextSize);
    if (context == nullptr) return kOutOfMemory;
    return TranslateMethodStatus(primitives->setKey(context, key->data, key->length));
}

Status BindChaining(AlgObject* object, MethodSlot* slot, const void*, const Method* method,
                    const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::ChainingPrimitives*>(method->primitives);
    if (primitives->stageCount != 1) return kNotSupported;
    void* context = SlotContextReserve(object, *slot, primitives->contextSize);
    if (context == nullptr) return kOutOfMemory;
    const Item& iv = *HandlerOf(object).iv;
    return TranslateMethodStatus(primitives->init(context, iv.data, iv.length));
}

Status CbcInit(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
               std::uint32_t direction, const SurrenderContext* surrender) {
    auto& cbc = *reinterpret_cast<CbcHandler*>(handler);
    cbc.pendingLength = 0;
    if (const Status status =
            FillMethodSlot(object, cbc.cipher, chooser, key, direction, surrender);
        status != kOk) {
        return status;
    }
    return FillMethodSlot(object, cbc.chaining, chooser, key, direction, surrender);
}

Status CbcSideInit(AlgObject*, Handler*, const SurrenderContext*) {
    return kOk;
}

void ProcessBlocks(CbcHandler& cbc, std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    const methods::CipherStage stage = {
        static_cast<const methods::BlockCipherPrimitives*>(cbc.cipher.primitives),
        cbc.cipher.context};
    static_cast<const methods::ChainingPrimitives*>(cbc.chaining.primitives)
        ->process(cbc.chaining.context, &stage, out, in, blocks);
}

// Whole blocks go out; a trailing partial block waits in the handler. out may equal in only while
// no partial block is waiting.
Status CbcUpdate(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t* outLength,
                 std::uint32_t maxLength, const std::uint8_t* in, std::uint32_t inLength,
                 AlgObject*, const SurrenderContext*) {
    auto& cbc = *reinterpret_cast<CbcHandler*>(handler);
    *outLength = 0;
    const std::uint64_t total = std::uint64_t{cbc.pendingLength} + inLength;
    const std::uint64_t produced = total - total % kBlock;
    if (produced > maxLength || (produced != 0 && out == nullptr)) return kOutputTooSmall;
    if (cbc.pendingLength != 0 && total >= kBlock) {
        const std::uint32_t take = kBlock - cbc.pendingLength;
        std::memcpy(cbc.pending + cbc.pendingLength, in, take);
        ProcessBlocks(cbc, out, cbc.pending, 1);
        in += take;
        inLength -= take;
        out += kBlock;
        cbc.pendingLength = 0;
    }
    const std::uint32_t whole = inLength - inLength % kBlock;
    if (whole != 0) ProcessBlocks(cbc, out, in, whole / kBlock);
    std::memcpy(cbc.pending + cbc.pendingLength, in + whole, inLength - whole);
    cbc.pendingLength += inLength - whole;
    *outLength = static_cast<std::uint32_t>(produced);
    return kOk;
}

Status CbcFinal(AlgObject* object, Handler* handler, std::uint8_t*, std::uint32_t* outLength,
                std::uint32_t, AlgObject*, const SurrenderContext*) {
    auto& cbc = *reinterpret_cast<CbcHandler*>(handler);
    *outLength = 0;
    const bool partial = cbc.pendingLength != 0;
    cbc.pendingLength = 0;
    std::memset(cbc.pending, 0, sizeof cbc.pending);
    const auto* chaining = static_cast<const methods::ChainingPrimitives*>(cbc.chaining.primitives);
    const Item& iv = *HandlerOf(object).iv;
    (void)chaining->init(cbc.chaining.context, iv.data, iv.length);
    return partial ? kLengthOutOfRange : kOk;
}

constexpr EncryptionHandlerOperations kCbcOperations = {{nullptr, HandlerFamily::kEncryption},
                                                        CbcInit,
                                                        CbcSideInit,
                                                        CbcSideInit,
                                                        CbcUpdate,
                                                        CbcUpdate,
                                                        CbcFinal,
                                                        CbcFinal};

Handler* MakeCbcHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<CbcHandler>(object, &kCbcOperations.common);
    if (handler == nullptr) return nullptr;
    handler->cipher.wantedKind = KindOf(InfoDes).descriptor;
    handler->cipher.bind = BindCipher;
    handler->chaining.wantedKind = KindOf(InfoBlockChaining).descriptor;
    handler->chaining.bind = BindChaining;
    handler->iv = static_cast<const Item*>(InfoListFind(object->infos, kind)->value);
    return &handler->base;
}

// The record: an Item of exactly one block.
Status SetDesCbc(const AlgInfoDescriptor* kind, AlgObject* object, const void* parameters) {
    const auto* given = static_cast<const Item*>(parameters);
    if (given == nullptr || given->data == nullptr || given->length != kBlock) {
        return kBadParameters;
    }
    auto* stored = MemoryNewWithTail<Item>(object->memory, kBlock);
    if (stored == nullptr) return kOutOfMemory;
    stored->data = MemoryTailOf(stored);
    stored->length = kBlock;
    std::memcpy(stored->data, given->data, kBlock);
    return InfoListAdd(object->memory, object->infos, kind, stored);
}

// Reports the stored initial chaining value.
Status GetDesCbc(const AlgInfoDescriptor* kind, AlgObject* object, void** info) {
    const InfoPair* pair = InfoListFind(object->infos, kind);
    if (pair == nullptr) return kCannotReportInfo;
    *info = pair->value;
    return kOk;
}

constexpr AlgInfoClass kDesCbcClass = {SetDesCbc, MakeCbcHandler, GetDesCbc};
constexpr AlgInfoDescriptor kDesCbcDescriptor = {&kDesCbcClass, nullptr, nullptr, nullptr};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoDesCbc(const void** descriptor) {
    *descriptor = &kinds::kDesCbcDescriptor;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
