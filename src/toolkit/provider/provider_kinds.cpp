// The kinds, key form and software methods that only the provider's chooser holds. No operation
// of the module creates these kinds, so their methods keep their place in the search order and
// answer "not supported".
#include <cstring>

#include "toolkit/methods/methods.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

constexpr AlgInfoClass kSearchOnlyClass = {SetWithoutParameters, nullptr, nullptr};

// kindData names each kind, which also keeps the descriptors distinct objects.
constexpr AlgInfoDescriptor kByteKeyedA = {&kSearchOnlyClass, nullptr, nullptr, "byte-keyed A"};
constexpr AlgInfoDescriptor kByteKeyedB = {&kSearchOnlyClass, nullptr, nullptr, "byte-keyed B"};
constexpr AlgInfoDescriptor kByteKeyedC = {&kSearchOnlyClass, nullptr, nullptr, "byte-keyed C"};
constexpr AlgInfoDescriptor kKeylessAuxiliary = {&kSearchOnlyClass, nullptr, nullptr,
                                                 "keyless auxiliary"};
constexpr AlgInfoDescriptor kTokenRsa = {&kSearchOnlyClass, nullptr, nullptr, "token RSA"};

// The key object keeps its own copy: the Item and its bytes in one block.
Status SetItemKey(const KeyInfoDescriptor* kind, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Item*>(record);
    if (given == nullptr || (given->data == nullptr && given->length != 0)) return kBadParameters;
    auto* stored = static_cast<Item*>(MemoryAllocate(key->memory, sizeof(Item) + given->length));
    if (stored == nullptr) return kOutOfMemory;
    stored->data = reinterpret_cast<std::uint8_t*>(stored + 1);
    stored->length = given->length;
    if (given->length != 0) std::memcpy(stored->data, given->data, given->length);
    return InfoListAdd(key->memory, key->infos, kind, stored);
}

// Only a byte string given as such is one.
Status GetItemKey(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

constinit const KeyInfoDescriptor kItemKey = {SetItemKey, GetItemKey};

}  // namespace

std::int32_t InfoByteKeyedA(const void** descriptor) {
    *descriptor = &kByteKeyedA;
    return kAlgorithmInfoCode;
}

std::int32_t InfoByteKeyedB(const void** descriptor) {
    *descriptor = &kByteKeyedB;
    return kAlgorithmInfoCode;
}

std::int32_t InfoByteKeyedC(const void** descriptor) {
    *descriptor = &kByteKeyedC;
    return kAlgorithmInfoCode;
}

std::int32_t InfoKeylessAuxiliary(const void** descriptor) {
    *descriptor = &kKeylessAuxiliary;
    return kAlgorithmInfoCode;
}

std::int32_t InfoTokenRsa(const void** descriptor) {
    *descriptor = &kTokenRsa;
    return kAlgorithmInfoCode;
}

std::int32_t KeyInfoItem(const void** descriptor) {
    *descriptor = &kItemKey;
    return kKeyInfoCode;
}

constinit const Method kByteKeyedAEncryptMethod = {InfoByteKeyedA, kEncryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kByteKeyedADecryptMethod = {InfoByteKeyedA, kDecryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kByteKeyedBEncryptMethod = {InfoByteKeyedB, kEncryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kByteKeyedBDecryptMethod = {InfoByteKeyedB, kDecryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kByteKeyedCEncryptMethod = {InfoByteKeyedC, kEncryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kByteKeyedCDecryptMethod = {InfoByteKeyedC, kDecryptSide, KeyInfoItem,
                                                   &methods::kUnsupportedPrimitives};
constinit const Method kKeylessAuxiliaryMethod = {InfoKeylessAuxiliary, 0, nullptr,
                                                  &methods::kUnsupportedPrimitives};

}  // namespace quillon::toolkit::provider
