// Certificate toolkit statuses: what the certificate layer and its provider return (0 success,
// 0x700 and up), the mapping from crypto toolkit statuses into them, and the conversions where a
// certificate status leaves the layer.
#pragma once

#include <cstdint>

#include "toolkit/status.h"

namespace quillon::toolkit::cert {

// The numbers reach the module's callers through the certificate exports and RsaKeyFromCertificate
// (quillon.h spells some of them CERT_E_...), so each name keeps its number (cert_status.cpp
// checks them).
enum class CertStatus : std::uint32_t {
    kCertOk = 0,
    kCertOutOfMemory = 0x700,
    kCertInconsistent = 0x701,      // e.g. inner/outer algorithms differ
    kCertCancelled = 0x702,         // the surrender callback said stop
    kCertMethodFailure = 0x703,     // failure inside a crypto method
    kCertBadData = 0x705,           // required data missing, or its contents malformed
    kCertLengthOutOfRange = 0x706,  // data cut short
    kCertNullArgument = 0x707,      // names the argument
    kCertNoDevice = 0x709,          // no hardware device, software only
    kCertOutputTooSmall = 0x70A,
    kCertUnavailable = 0x70B,
    kCertValidityOrder = 0x70C,  // validity start after its end
    kCertNotName = 0x716,
    kCertNotCertificate = 0x727,
    kCertNotList = 0x736,
    kCertNotContext = 0x73E,
    kCertGeneralFailure = 0x74B,
    kCertBadOptions = 0x763,  // message options ("cmsOptions")
};

// The layer spells them kCertOk, kCertBadData, ...
using enum CertStatus;

// A crypto toolkit status as the certificate layer reports it: kOutOfMemory, kCancelled,
// kMethodFailure, kDataMalformed, kLengthOutOfRange, kOutputTooSmall and kUnavailable have
// their own codes; 0 and codes from 0x700 up (certificate statuses carried by ToToolkitStatus)
// pass unchanged; anything else is kCertGeneralFailure.
[[nodiscard]] CertStatus MapToCertStatus(Status status);

// A certificate status carried through a path typed for toolkit statuses (a key-form giver, the
// provider's seeding), number unchanged, so that MapToCertStatus gives it back.
[[nodiscard]] constexpr Status ToToolkitStatus(CertStatus status) {
    return static_cast<Status>(status);
}

// The number an export hands its caller.
[[nodiscard]] constexpr std::int32_t ToExportStatus(CertStatus status) {
    return static_cast<std::int32_t>(status);
}

// kCertNullArgument for a null argument, naming it: the name is what MissingArgumentName reports
// afterwards on the same thread, so a caller can tell "funcs" from "handle". RefuseArgument names
// the argument of another refusal (kCertBadOptions for "cmsOptions") the same way.
[[nodiscard]] CertStatus NullArgument(const char* name);
[[nodiscard]] CertStatus RefuseArgument(const char* name, CertStatus status);
[[nodiscard]] const char* MissingArgumentName();

}  // namespace quillon::toolkit::cert
