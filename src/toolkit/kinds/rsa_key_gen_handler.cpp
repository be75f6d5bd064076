// The generation kind InfoRsaKeyGen: record RsaKeyGenParams {modulus bits, public exponent},
// copied into the object; handed to the InfoRsaMultiPrimeKeyGen method with two primes. Each
// attempt gets fresh random bytes from the random object; an attempt that found no usable key
// (kRetry) is repeated. The public key receives KeyInfoRsaPublic, the private key
// KeyInfoRsaPrivateCrt, and both only when generation succeeded.
#include <cstring>

#include "support/checked_alloc.h"
#include "support/owned_block.h"
#include "support/secure_buffer.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr std::uint32_t kPrimeCount = 2;

struct KeyGenHandler {
    Handler base;
    MethodSlot method;
    methods::RsaKeyGenRequest request;
};

KeyGenHandler& KeyGen(Handler* handler) {
    return *reinterpret_cast<KeyGenHandler*>(handler);
}

const methods::RsaKeyGenPrimitives& Primitives(const KeyGenHandler& keyGen) {
    return *static_cast<const methods::RsaKeyGenPrimitives*>(keyGen.method.primitives);
}

Status SetKeyGen(const AlgInfoDescriptor* kind, AlgObject* object, const void* parameters) {
    const auto* given = static_cast<const RsaKeyGenParams*>(parameters);
    if (given == nullptr ||
        (given->publicExponent.data == nullptr && given->publicExponent.length != 0)) {
        return kBadParameters;
    }
    auto* stored = MemoryNew<RsaKeyGenParams>(object->memory);
    if (stored == nullptr) return kOutOfMemory;
    stored->modulusBits = given->modulusBits;
    stored->publicExponent.length = given->publicExponent.length;
    stored->publicExponent.data =
        MemoryCopyOf(object->memory, given->publicExponent.data, given->publicExponent.length);
    if (stored->publicExponent.data == nullptr) return kOutOfMemory;
    return InfoListAdd(object->memory, object->infos, kind, stored);
}

// The parameter rules are checked when the method is bound, before any random bytes are drawn.
Status BindKeyGen(AlgObject* object, MethodSlot*, const void*, const Method* method,
                  const SurrenderContext*) {
    const auto* primitives = static_cast<const methods::RsaKeyGenPrimitives*>(method->primitives);
    return TranslateMethodStatus(primitives->check(KeyGen(object->handler).request));
}

Status KeyGenInit(AlgObject* object, Handler* handler, Chooser chooser,
                  const SurrenderContext* surrender) {
    return FillMethodSlot(object, KeyGen(handler).method, chooser, nullptr, 0, surrender);
}

Status KeyGenKeypair(AlgObject*, Handler* handler, KeyObject* publicKey, KeyObject* privateKey,
                     AlgObject* random, const SurrenderContext* surrender) {
    const auto& keyGen = KeyGen(handler);
    const methods::RsaKeyGenPrimitives& primitives = Primitives(keyGen);
    const std::uint32_t randomLength = primitives.randomLength(keyGen.request);
    support::SecureBuffer bytes = support::SecureBuffer::Zeroed(randomLength);
    support::WipedOwner<RsaGeneratedKey> generated(support::New<RsaGeneratedKey>());
    if (!bytes.ok() || generated == nullptr) return kOutOfMemory;
    for (;;) {
        if (const Status status =
                AlgGenerateRandomBytes(random, bytes.data(), randomLength, surrender);
            status != kOk) {
            return status;
        }
        const MethodStatus attempt =
            primitives.attempt(keyGen.request, bytes.data(), randomLength, *generated, surrender);
        if (attempt == method::kOk) break;
        if (attempt != method::kRetry) return TranslateMethodStatus(attempt);
    }
    const RsaPrivateCrtRecord& key = generated->key;
    const RsaPublicKeyRecord publicRecord = {key.modulus, key.publicExponent};
    if (const Status status = KeySetInfo(privateKey, KeyInfoRsaPrivateCrt, &key); status != kOk) {
        return status;
    }
    const Status status = KeySetInfo(publicKey, KeyInfoRsaPublic, &publicRecord);
    if (status != kOk) KeyClear(privateKey);
    return status;
}

constexpr GenerationHandlerOperations kKeyGenOperations = {
    {nullptr, HandlerFamily::kGeneration}, KeyGenInit, KeyGenKeypair};

Handler* MakeKeyGenHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<KeyGenHandler>(object, &kKeyGenOperations.common);
    if (handler == nullptr) return nullptr;
    handler->method.wantedKind = KindOf(InfoRsaMultiPrimeKeyGen).descriptor;
    handler->method.bind = BindKeyGen;
    const auto* parameters =
        static_cast<const RsaKeyGenParams*>(InfoListFind(object->infos, kind)->value);
    handler->request = {parameters->modulusBits, kPrimeCount, parameters->publicExponent.data,
                        parameters->publicExponent.length};
    return &handler->base;
}

constexpr AlgInfoClass kKeyGenClass = {SetKeyGen, MakeKeyGenHandler, nullptr};
constexpr AlgInfoDescriptor kKeyGenDescriptor = {&kKeyGenClass, nullptr, nullptr, nullptr};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t InfoRsaKeyGen(const void** descriptor) {
    *descriptor = &kinds::kKeyGenDescriptor;
    return kAlgorithmInfoCode;
}

}  // namespace quillon::toolkit
