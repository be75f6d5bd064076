// KeyInfoDes: an 8-byte DES key, given as an Item. The key object keeps its own copy; no other
// form can be turned into a DES key.
#include <cstring>

#include "toolkit/toolkit.h"

namespace quillon::toolkit::kinds {
namespace {

constexpr std::uint32_t kDesKeyLength = 8;

// The stored form: the Item and its bytes in one block.
struct StoredDesKey {
    Item item;
    std::uint8_t bytes[kDesKeyLength];
};

Status SetDesKey(const KeyInfoDescriptor* kind, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Item*>(record);
    if (given == nullptr || given->data == nullptr) return kBadParameters;
    if (given->length != kDesKeyLength) return kLengthOutOfRange;
    auto* stored = MemoryNew<StoredDesKey>(key->memory);
    if (stored == nullptr) return kOutOfMemory;
    std::memcpy(stored->bytes, given->data, kDesKeyLength);
    stored->item = {stored->bytes, kDesKeyLength};
    return InfoListAdd(key->memory, key->infos, kind, &stored->item);
}

Status GetDesKey(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

constinit const KeyInfoDescriptor kDesKey = {SetDesKey, GetDesKey};

}  // namespace
}  // namespace quillon::toolkit::kinds

// The kinds' info types, declared with the object model (info_types.h).
namespace quillon::toolkit {

std::int32_t KeyInfoDes(const void** descriptor) {
    *descriptor = &kinds::kDesKey;
    return kKeyInfoCode;
}

}  // namespace quillon::toolkit
