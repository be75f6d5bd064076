// The operating system's version, as the hardware device's opening and the certificate
// provider's seeding read it to choose their Windows path.
#pragma once

#include <cstdint>

namespace quillon::platform {

// Platform identifiers (OSVERSIONINFO's dwPlatformId) and the one minor version that tells
// Windows 98 from Windows 95 within its family.
inline constexpr std::uint32_t kWindows95Family = 1;
inline constexpr std::uint32_t kNtFamily = 2;
inline constexpr std::uint32_t kWindows98Minor = 10;

struct OsVersion {
    std::uint32_t platformId = 0;  // kWindows95Family or kNtFamily
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

// False when it cannot be asked.
[[nodiscard]] bool QueryOsVersion(OsVersion& version);

}  // namespace quillon::platform
