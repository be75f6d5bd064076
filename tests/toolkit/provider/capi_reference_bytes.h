// CryptoAPI key references as the tests write them.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/provider/capi_key_reference.h"

namespace quillon::test {

inline const std::string kCapiManufacturer("Quillon Cert CryptoAPI Module", 30);

// The data fields: container, provider (each zero-terminated), type and key kind (AT_SIGNATURE or
// AT_KEYEXCHANGE).
inline std::string CapiReferenceData(const std::string& container, const std::string& provider,
                                     std::uint32_t type, std::uint32_t keySpec) {
    std::string data = container + '\0' + provider + '\0';
    for (std::uint32_t value : {type, keySpec}) {
        for (int i = 0; i < 4; ++i) data += static_cast<char>(value >> (8 * i));
    }
    return data;
}

inline toolkit::Item ItemOf(std::string& bytes) {
    return {reinterpret_cast<std::uint8_t*>(bytes.data()),
            static_cast<std::uint32_t>(bytes.size())};
}

}  // namespace quillon::test
