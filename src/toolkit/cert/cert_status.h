// Certificate toolkit statuses: what the certificate layer and its provider return (0 success,
// 0x700 and up), and the mapping from crypto toolkit statuses into them.
#pragma once

#include <cstdint>

#include "toolkit/status.h"

namespace quillon::toolkit::cert {

using CertStatus = std::uint32_t;

inline constexpr CertStatus kCertOk = 0;
inline constexpr CertStatus kCertOutOfMemory = 0x700;
inline constexpr CertStatus kCertInconsistent = 0x701;        // e.g. inner/outer algorithms differ
inline constexpr CertStatus kCertCancelled = 0x702;           // the surrender callback said stop
inline constexpr CertStatus kCertMethodFailure = 0x703;       // failure inside a crypto method
inline constexpr CertStatus kCertMissingData = 0x705;         // a required argument is missing
inline constexpr CertStatus kCertBadData = kCertMissingData;  // ... or its contents malformed
inline constexpr CertStatus kCertLengthOutOfRange = 0x706;    // data cut short
inline constexpr CertStatus kCertNullArgument = 0x707;        // names the argument
inline constexpr CertStatus kCertNoDevice = 0x709;            // no hardware device, software only
inline constexpr CertStatus kCertOutputTooSmall = 0x70A;
inline constexpr CertStatus kCertUnavailable = 0x70B;
inline constexpr CertStatus kCertValidityOrder = 0x70C;  // validity start after its end
inline constexpr CertStatus kCertNotName = 0x716;
inline constexpr CertStatus kCertNotCertificate = 0x727;
inline constexpr CertStatus kCertNotList = 0x736;
inline constexpr CertStatus kCertNotContext = 0x73E;
inline constexpr CertStatus kCertGeneralFailure = 0x74B;
inline constexpr CertStatus kCertBadOptions = 0x763;  // message options ("cmsOptions")

// A crypto toolkit status as the certificate layer reports it: kOutOfMemory, kCancelled,
// kMethodFailure, kDataMalformed, kLengthOutOfRange, kOutputTooSmall and 0x219 have their own
// codes; 0 and codes from 0x700 up pass unchanged; anything else is kCertGeneralFailure.
[[nodiscard]] CertStatus MapToCertStatus(Status status);

// kCertNullArgument for a null argument, naming it: the name is what MissingArgumentName reports
// afterwards on the same thread, so a caller can tell "funcs" from "handle". RefuseArgument names
// the argument of another refusal (kCertBadOptions for "cmsOptions") the same way.
[[nodiscard]] CertStatus NullArgument(const char* name);
[[nodiscard]] CertStatus RefuseArgument(const char* name, CertStatus status);
[[nodiscard]] const char* MissingArgumentName();

}  // namespace quillon::toolkit::cert
