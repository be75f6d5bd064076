// The CryptoAPI key reference: the record of the key form KeyInfoCapiReference, naming a key held
// by one of the system's cryptographic service providers.
#pragma once

#include <cstdint>

#include "toolkit/item.h"
#include "toolkit/status.h"

namespace quillon::toolkit::provider {

// manufacturer: exactly the 30 bytes of "Quillon Cert CryptoAPI Module" and its terminating zero.
// data: key-container name (zero-terminated; empty means none), provider name (zero-terminated;
// empty means none), provider type, key kind (AT_SIGNATURE or AT_KEYEXCHANGE); the last two
// unsigned 32-bit little-endian.
struct CapiKeyReference {
    Item manufacturer;
    Item data;
};

// A parsed reference; the names point into the reference's data.
struct CapiKeyLocation {
    const char* container;  // null for none
    const char* provider;   // null for none
    std::uint32_t providerType;
    std::uint32_t keySpec;
};

// kOk, or kKeyFormUnavailable when the manufacturer differs in any byte or the data length is not
// exactly that of its fields.
[[nodiscard]] MethodStatus CapiParseKeyReference(const CapiKeyReference& reference,
                                                 CapiKeyLocation& location);

}  // namespace quillon::toolkit::provider
