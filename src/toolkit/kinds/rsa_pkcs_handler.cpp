// RSA with PKCS #1 v1.5 block formatting: InfoRsaPkcsPublic (block type 2 when encrypting, type 1
// when decrypting, over the raw public-key methods) and InfoRsaPkcsPrivate (type 1 when
// encrypting, type 2 when decrypting, over the raw private-key methods). Updates only collect the
// input (at most k - 11 bytes to encrypt, k to decrypt, k being the modulus length in bytes);
// the final formats and transforms the block, or transforms and checks it.
#include <cstring>

#include "support/constant_time.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr std::uint32_t kMinimumModulusLength = 12;
constexpr std::uint32_t kOverhead = 11;  // 0x00, type, at least 8 padding bytes, 0x00
constexpr std::uint32_t kMinimumPadding = 8;

struct PkcsKind {
    InfoType rawKind;
    std::uint8_t encryptBlockType;
    std::uint8_t decryptBlockType;
};

constexpr PkcsKind kPublicKind = {InfoRsaRawPublic, 2, 1};
constexpr PkcsKind kPrivateKind = {InfoRsaRawPrivate, 1, 2};

struct PkcsHandler {
    Handler base;
    MethodSlot raw;
    const PkcsKind* kind;
    std::uint32_t modulusLength;
    std::uint32_t capacity;
    std::uint32_t collected;
    std::uint8_t block[kRsaMaxModulusBytes];
};

PkcsHandler& Pkcs(Handler* handler) {
    return *reinterpret_cast<PkcsHandler*>(handler);
}

const methods::RsaRawPrimitives& Raw(const PkcsHandler& pkcs) {
    return *static_cast<const methods::RsaRawPrimitives*>(pkcs.raw.primitives);
}

void Forget(PkcsHandler& pkcs) {
    support::SecureWipe(pkcs.block, sizeof pkcs.block);
    pkcs.collected = 0;
}

Status BindRaw(AlgObject* object, MethodSlot* slot, const void* keyValue, const Method* method,
               const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::RsaRawPrimitives*>(method->primitives);
    void* context = nullptr;
    std::uint32_t modulusLength = 0;
    const MethodStatus status =
        primitives->setup(object, slot->key, method, keyValue, &context, &modulusLength);
    if (status != method::kOk) return TranslateMethodStatus(status);
    slot->context = context;
    Pkcs(object->handler).modulusLength = modulusLength;
    return kOk;
}

Status PkcsInit(AlgObject* object, Handler* handler, KeyObject* key, Chooser chooser,
                std::uint32_t direction, const SurrenderContext* surrender) {
    auto& pkcs = Pkcs(handler);
    Forget(pkcs);
    pkcs.modulusLength = 0;
    pkcs.capacity = 0;
    if (const Status status = FillMethodSlot(object, pkcs.raw, chooser, key, direction, surrender);
        status != kOk) {
        return status;
    }
    return pkcs.modulusLength < kMinimumModulusLength ? kNotSupported : kOk;
}

Status PkcsEncryptInit(AlgObject*, Handler* handler, const SurrenderContext*) {
    auto& pkcs = Pkcs(handler);
    pkcs.capacity = pkcs.modulusLength - kOverhead;
    return kOk;
}

Status PkcsDecryptInit(AlgObject*, Handler* handler, const SurrenderContext*) {
    auto& pkcs = Pkcs(handler);
    pkcs.capacity = pkcs.modulusLength;
    return kOk;
}

// Both sides: collect the input, write nothing.
Status PkcsUpdate(AlgObject*, Handler* handler, std::uint8_t*, std::uint32_t* outLength,
                  std::uint32_t, const std::uint8_t* in, std::uint32_t inLength, AlgObject*,
                  const SurrenderContext*) {
    auto& pkcs = Pkcs(handler);
    *outLength = 0;
    if (inLength > pkcs.capacity - pkcs.collected) return kLengthOutOfRange;
    if (inLength != 0) std::memcpy(pkcs.block + pkcs.collected, in, inLength);
    pkcs.collected += inLength;
    return kOk;
}

// Non-zero random bytes: zeros drawn are replaced by drawing again.
Status FillNonZeroRandom(std::uint8_t* out, std::uint32_t length, AlgObject* random,
                         const SurrenderContext* surrender) {
    if (random == nullptr) return kBadRandomObject;
    if (const Status status = AlgGenerateRandomBytes(random, out, length, surrender);
        status != kOk) {
        return status;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        while (out[i] == 0) {
            if (const Status status = AlgGenerateRandomBytes(random, out + i, 1, surrender);
                status != kOk) {
                return status;
            }
        }
    }
    return kOk;
}

Status PkcsEncryptFinal(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t* outLength,
                        std::uint32_t maxLength, AlgObject* random,
                        const SurrenderContext* surrender) {
    auto& pkcs = Pkcs(handler);
    *outLength = 0;
    const std::uint32_t k = pkcs.modulusLength;
    if (maxLength < k || out == nullptr) {
        Forget(pkcs);
        return kOutputTooSmall;
    }
    std::uint8_t formatted[kRsaMaxModulusBytes];
    const std::uint32_t padding = k - 3 - pkcs.collected;
    formatted[0] = 0x00;
    formatted[1] = pkcs.kind->encryptBlockType;
    Status status = kOk;
    if (pkcs.kind->encryptBlockType == 2) {
        status = FillNonZeroRandom(formatted + 2, padding, random, surrender);
    } else {
        std::memset(formatted + 2, 0xFF, padding);
    }
    if (status == kOk) {
        formatted[2 + padding] = 0x00;
        std::memcpy(formatted + 3 + padding, pkcs.block, pkcs.collected);
        status = TranslateMethodStatus(
            Raw(pkcs).transform(pkcs.raw.context, out, outLength, maxLength, formatted, k));
    }
    support::SecureWipe(formatted, sizeof formatted);
    Forget(pkcs);
    return status;
}

// Checks the block in one pass over all k bytes whatever it holds, and finds the separator;
// the start of the data, or 0 when the block is not of the expected form.
std::uint32_t CheckBlock(const std::uint8_t* block, std::uint32_t k, std::uint8_t type) {
    std::uint32_t good = support::ConstantTimeEqualMask(block[0], 0) &
                         support::ConstantTimeEqualMask(block[1], type);
    std::uint32_t separator = 0;  // index of the first zero after the type byte
    std::uint32_t ahead = ~0u;    // all-ones until the separator was seen
    std::uint32_t notFf = 0;      // the bits by which padding bytes differ from 0xFF
    for (std::uint32_t i = 2; i < k; ++i) {
        const std::uint32_t byte = block[i];
        const std::uint32_t isZero = support::ConstantTimeEqualMask(byte, 0);
        separator |= isZero & ahead & i;
        ahead &= ~isZero;
        notFf |= ahead & (byte ^ 0xFF);
    }
    // Type 1 padding must be 0xFF up to the separator; type 2 anything non-zero.
    const std::uint32_t badPadding =
        ~support::ConstantTimeEqualMask(notFf, 0) & (type == 1 ? ~0u : 0u);
    good &= ~ahead & ~badPadding;
    // At least 8 padding bytes: the separator at index 10 or later.
    good &= ~static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>(separator) - (2 + kMinimumPadding)) >> 32);
    return (separator + 1) & good;
}

Status PkcsDecryptFinal(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t* outLength,
                        std::uint32_t maxLength, AlgObject*, const SurrenderContext*) {
    auto& pkcs = Pkcs(handler);
    *outLength = 0;
    const std::uint32_t k = pkcs.modulusLength;
    if (pkcs.collected != k) {
        Forget(pkcs);
        return kLengthOutOfRange;
    }
    std::uint8_t transformed[kRsaMaxModulusBytes];
    std::uint32_t produced = 0;
    Status status = TranslateMethodStatus(Raw(pkcs).transform(
        pkcs.raw.context, transformed, &produced, sizeof transformed, pkcs.block, k));
    if (status == kOk) {
        const std::uint32_t start = CheckBlock(transformed, k, pkcs.kind->decryptBlockType);
        const std::uint32_t length = k - start;
        if (start == 0) {
            status = kDataMalformed;
        } else if (length > maxLength || (length != 0 && out == nullptr)) {
            status = kOutputTooSmall;
        } else {
            if (length != 0) std::memcpy(out, transformed + start, length);
            *outLength = length;
        }
    }
    support::SecureWipe(transformed, sizeof transformed);
    Forget(pkcs);
    return status;
}

void ReleasePkcs(AlgObject*, Handler* handler) {
    Forget(Pkcs(handler));
}

constexpr EncryptionHandlerOperations kPkcsOperations = {{ReleasePkcs, HandlerFamily::kEncryption},
                                                         PkcsInit,
                                                         PkcsEncryptInit,
                                                         PkcsDecryptInit,
                                                         PkcsUpdate,
                                                         PkcsUpdate,
                                                         PkcsEncryptFinal,
                                                         PkcsDecryptFinal};

Handler* MakePkcsHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<PkcsHandler>(object, &kPkcsOperations.common);
    if (handler == nullptr) return nullptr;
    handler->kind = static_cast<const PkcsKind*>(kind->kindData);
    handler->raw.wantedKind = KindOf(handler->kind->rawKind).descriptor;
    handler->raw.bind = BindRaw;
    return &handler->base;
}

constexpr AlgInfoClass kPkcsClass = {SetWithoutParameters, MakePkcsHandler, nullptr};
constexpr AlgInfoDescriptor kPkcsPublic = {&kPkcsClass, nullptr, nullptr, &kPublicKind};
constexpr AlgInfoDescriptor kPkcsPrivate = {&kPkcsClass, nullptr, nullptr, &kPrivateKind};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoRsaPkcsPublic(const void** descriptor) {
    *descriptor = &kinds::kPkcsPublic;
    return kAlgorithmInfoCode;
}

std::int32_t InfoRsaPkcsPrivate(const void** descriptor) {
    *descriptor = &kinds::kPkcsPrivate;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
