// Unlocking one protected item of a credential profile: load the file, derive the keys from
// the password, decrypt the item, check the name bound into it and its MAC, hand back the
// payload (the format is in profile_format.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "profile/cast5.h"
#include "profile/profile_format.h"

namespace quillon::profile {

// The results of ProfileReadItem. The certificate readers report the failures as they are; the
// key readers report 0 for each.
enum class ProfileReadStatus : std::int32_t {
    kProfileItemRead = 0,              // *buffer holds the payload
    kProfileNotLoaded = -100,          // cannot be opened or a syntax error; buffer unchanged
    kProfileWrongMacAlgorithm = -101,  // buffer null
    kProfileNoMacKeyMemory = -102,     // buffer null
    kProfileNoKeyMemory = -103,        // buffer unchanged
    kProfileNoOutputMemory = -104,     // buffer null
    kProfileItemUnreadable = -105,     // buffer null
};

// The reader spells them kProfileItemRead, kProfileNotLoaded, ...
using enum ProfileReadStatus;

// The number a reader export hands its caller for a failure.
[[nodiscard]] constexpr std::int32_t ToExportStatus(ProfileReadStatus status) {
    return static_cast<std::int32_t>(status);
}

// Decrypts the protected item (section, key) of the loaded profile into output (room for
// kProfileItemBufferSize bytes) and checks its name prefix and MAC: the payload length, with
// the payload moved to the start of output; 0 when the item is missing, undecodable, too
// short, bound to another name, fails its MAC, or a context refuses work.
[[nodiscard]] std::uint32_t ProfileDecryptEntry(std::uint8_t* output, const char* section,
                                                const char* key, CastContext& encryption,
                                                CastContext& mac);

// The whole read of one item, serialised with every other reader on the profile lock: loads
// the file at path, unlocks the item with password and, on success, stores a heap buffer of
// exactly the payload in *buffer (released with support::Release), its length (never 0) in
// length, and returns kProfileItemRead. Otherwise a failure, with *buffer as that status
// describes. The profile list is empty again on return.
[[nodiscard]] ProfileReadStatus ProfileReadItem(std::uint8_t** buffer, std::uint32_t& length,
                                                const char* path, const char* password,
                                                const char* section, const char* key);

}  // namespace quillon::profile
