// Status codes of the certificate toolkit: 0 is success, failures start at 0x700. The
// certificate exports hand these numbers to their callers unchanged.
#pragma once

#include <cstdint>

namespace quillon::cert {

using CertStatus = std::uint32_t;

inline constexpr CertStatus kCertOk = 0;
inline constexpr CertStatus kCertOutOfMemory = 0x700;
inline constexpr CertStatus kCertInconsistent = 0x701;  // e.g. inner and outer algorithms differ
inline constexpr CertStatus kCertCancelled = 0x702;
inline constexpr CertStatus kCertMethodFailure = 0x703;
inline constexpr CertStatus kCertBadData = 0x705;           // data missing, or malformed
inline constexpr CertStatus kCertLengthOutOfRange = 0x706;  // data cut short
inline constexpr CertStatus kCertNullArgument = 0x707;      // a required argument is null
inline constexpr CertStatus kCertNoDevice = 0x709;
inline constexpr CertStatus kCertOutputTooSmall = 0x70A;
inline constexpr CertStatus kCertMethodStatus = 0x70B;
inline constexpr CertStatus kCertValidityOrder = 0x70C;  // validity starts after it ends
inline constexpr CertStatus kCertNotName = 0x716;
inline constexpr CertStatus kCertNotCertificate = 0x727;
inline constexpr CertStatus kCertNotList = 0x736;
inline constexpr CertStatus kCertNotContext = 0x73E;
inline constexpr CertStatus kCertProviderFailure = 0x74B;
inline constexpr CertStatus kCertBadOptions = 0x763;

}  // namespace quillon::cert
