// The kinds, key form and software methods that only the provider's chooser holds. No operation
// of the module creates these kinds, so their methods keep their place in the search order and
// answer "not supported".
#include <cstring>

#include "toolkit/methods/methods.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

constexpr AlgInfoDescriptor kByteKeyedA = SearchOnlyKind("byte-keyed A");
constexpr AlgInfoDescriptor kByteKeyedB = SearchOnlyKind("byte-keyed B");
constexpr AlgInfoDescriptor kByteKeyedC = SearchOnlyKind("byte-keyed C");
constexpr AlgInfoDescriptor kKeylessAuxiliary = SearchOnlyKind("keyless auxiliary");
constexpr AlgInfoDescriptor kTokenRsa = SearchOnlyKind("token RSA");

// The key object keeps its own copy: the Item and its bytes in one block.
Status SetItemKey(const KeyInfoDescriptor* kind, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Item*>(record);
    if (given == nullptr || (given->data == nullptr && given->length != 0)) return kBadParameters;
    auto* stored = MemoryNewWithTail<Item>(key->memory, given->length);
    if (stored == nullptr) return kOutOfMemory;
    stored->data = MemoryTailOf(stored);
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
    return DescribeAlgKind(kByteKeyedA, descriptor);
}

std::int32_t InfoByteKeyedB(const void** descriptor) {
    return DescribeAlgKind(kByteKeyedB, descriptor);
}

std::int32_t InfoByteKeyedC(const void** descriptor) {
    return DescribeAlgKind(kByteKeyedC, descriptor);
}

std::int32_t InfoKeylessAuxiliary(const void** descriptor) {
    return DescribeAlgKind(kKeylessAuxiliary, descriptor);
}

std::int32_t InfoTokenRsa(const void** descriptor) {
    return DescribeAlgKind(kTokenRsa, descriptor);
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
