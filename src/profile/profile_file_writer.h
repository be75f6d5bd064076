// Writing a credential profile: the "Password Token" section and each protected item exactly
// as the readers undo it (the format is in profile_format.h). Not exported: the module only
// reads profiles; the quillon command makes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "support/secure_buffer.h"

namespace quillon::profile {

// Protection parameters a written profile may carry; the readers take wider ranges, but these
// are the ones that make a readable profile.
inline constexpr std::int32_t kMinProtectionBits = 40;
inline constexpr std::int32_t kMaxProtectionBits = 128;
inline constexpr std::int32_t kMinHashCount = 1;
// "SaltValue=" and the salt fit on one profile line.
inline constexpr std::size_t kMaxSaltLength = 88;

struct ProfileProtection {
    const char* password;     // NUL-terminated bytes, used as they stand
    const char* salt;         // NUL-terminated; empty: no "SaltValue" entry
    std::int32_t protection;  // CAST5 key bits: 40 to 128 in steps of 8
    std::int32_t hashCount;   // 1 to kMaxHashCount
};

// One protected item, written under [section] as key. Names are 1 to kMaxNameLength
// characters of 0x20 and up, without "]" in a section name or "=" in a key name.
inline constexpr std::size_t kMaxNameLength = 32;
struct ProfileItem {
    const char* section;
    const char* key;
    std::span<const std::uint8_t> payload;  // at least 1 byte
};

enum class ProfileWriteStatus {
    kWritten,
    kBadProtection,  // protection bits or hash count out of range
    kBadSalt,        // longer than kMaxSaltLength, or a character below 0x20
    kNoItems,
    kBadName,       // a section or key name that cannot stand on a profile line (failedItem)
    kEmptyPayload,  // an item without payload (failedItem names it)
    kItemTooLarge,  // an item whose ciphertext would not fit the readers' buffers (failedItem)
    kNoMemory,
};

// Writes the profile text into text (replacing what it held): the "Password Token" section,
// then the items in the order given, a section header wherever the section changes. On a
// failure text is empty, and for the item statuses failedItem is that item's index.
[[nodiscard]] ProfileWriteStatus ProfileWrite(const ProfileProtection& protection,
                                              std::span<const ProfileItem> items,
                                              support::SecureBuffer& text, std::size_t& failedItem);

}  // namespace quillon::profile
