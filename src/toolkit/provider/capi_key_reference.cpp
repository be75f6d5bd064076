#include "toolkit/provider/capi_key_reference.h"

#include <cstring>

#include "support/byte_order.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

constexpr char kManufacturer[] = "Quillon Cert CryptoAPI Module";
static_assert(sizeof kManufacturer == 30);

constexpr std::uint32_t kNumberFieldsLength = 8;

// The zero-terminated name starting at data[*offset], null when empty; false when no zero ends it.
bool ReadName(const Item& data, std::uint32_t& offset, const char*& name) {
    const auto* start = data.data + offset;
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(start, 0, data.length - offset));
    if (end == nullptr) return false;
    name = end == start ? nullptr : reinterpret_cast<const char*>(start);
    offset += static_cast<std::uint32_t>(end - start) + 1;
    return true;
}

// The key object keeps its own copy: the record and both byte strings in one block.
Status SetCapiReference(const KeyInfoDescriptor* kind, KeyObject* key, const void* record) {
    const auto* given = static_cast<const CapiKeyReference*>(record);
    if (given == nullptr || (given->manufacturer.data == nullptr && given->manufacturer.length) ||
        (given->data.data == nullptr && given->data.length)) {
        return kBadParameters;
    }
    auto* stored = MemoryNewWithTail<CapiKeyReference>(
        key->memory, std::size_t{given->manufacturer.length} + given->data.length);
    if (stored == nullptr) return kOutOfMemory;
    std::uint8_t* bytes = MemoryTailOf(stored);
    stored->manufacturer = {bytes, given->manufacturer.length};
    stored->data = {bytes + given->manufacturer.length, given->data.length};
    if (given->manufacturer.length) {
        std::memcpy(stored->manufacturer.data, given->manufacturer.data,
                    given->manufacturer.length);
    }
    if (given->data.length) std::memcpy(stored->data.data, given->data.data, given->data.length);
    return InfoListAdd(key->memory, key->infos, kind, stored);
}

// A reference names a key outside the module; nothing held inside can become one.
Status GetCapiReference(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

constinit const KeyInfoDescriptor kCapiReference = {SetCapiReference, GetCapiReference};

}  // namespace

MethodStatus CapiParseKeyReference(const CapiKeyReference& reference, CapiKeyLocation& location) {
    if (reference.manufacturer.length != sizeof kManufacturer ||
        std::memcmp(reference.manufacturer.data, kManufacturer, sizeof kManufacturer) != 0 ||
        reference.data.data == nullptr) {
        return method::kKeyFormUnavailable;
    }
    std::uint32_t offset = 0;
    if (!ReadName(reference.data, offset, location.container) ||
        !ReadName(reference.data, offset, location.provider) ||
        reference.data.length - offset != kNumberFieldsLength) {
        return method::kKeyFormUnavailable;
    }
    location.providerType = support::LoadLittleEndian32(reference.data.data + offset);
    location.keySpec = support::LoadLittleEndian32(reference.data.data + offset + 4);
    return method::kOk;
}

std::int32_t KeyInfoCapiReference(const void** descriptor) {
    *descriptor = &kCapiReference;
    return kKeyInfoCode;
}

}  // namespace quillon::toolkit::provider
