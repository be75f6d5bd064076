// Toolkit status codes and the method statuses they are translated from.
//
// Every toolkit operation returns a Status (0 = success). The Diffie-Hellman and RSA exports hand
// these numbers to their callers unchanged, so the values are part of the module's contract.
// Primitive operations of the methods return the small method statuses (MethodStatus);
// TranslateMethodStatus maps them before they leave the toolkit.
#pragma once

#include <cstdint>

namespace quillon::toolkit {

enum class Status : std::uint32_t {
    kOk = 0,
    kInfoAlreadySet = 0x200,      // the algorithm object already holds an info
    kBadParameters = 0x201,       // parameter record missing/invalid/malformed
    kNotInitialized = 0x202,      // update or final before a successful init
    kNoAlgorithmInfo = 0x203,     // init on an object holding no info
    kBadAlgorithmObject = 0x204,  // not a valid algorithm object
    kWrongAlgorithm = 0x205,      // wrong family, or alg-info type to a key op
    kOutOfMemory = 0x206,
    kCancelled = 0x207,  // the surrender callback said stop
    kMethodFailure = 0x208,
    kEvenExponent = 0x209,    // an even RSA public exponent
    kExponentLength = 0x20A,  // an RSA exponent below 2 bits or not below n
    kDeviceFailure = 0x20B,   // a hardware token or device failed
    kDataMalformed = 0x20C,   // block format, DER contents, key version
    kLengthOutOfRange = 0x20D,
    kKeyAlreadySet = 0x20E,
    kKeyFormUnavailable = 0x20F,  // the key cannot be given in that form
    // The kUnassignedMethodStatusN are what method status N translates to: no method of this
    // module returns those numbers, but the translation table covers them.
    kUnassignedMethodStatus12 = 0x210,
    kKeyEmpty = 0x211,
    kBadKeyObject = 0x212,
    kKeyInfoToAlgorithm = 0x213,  // a key-info type given to AlgSetInfo
    kModulusLength = 0x215,       // modulus or prime length out of range
    kUnassignedMethodStatus11 = 0x216,
    kNotSupported = 0x217,
    kOutputTooSmall = 0x218,
    kUnavailable = 0x219,  // produced by no method of this module; the certificate layer maps it
    kBadRandomObject = 0x21B,
    kCannotReportInfo = 0x21D,
    kNotRsaKey = 0x21E,
    kNoMethod = 0x221,  // nothing in the chooser fits
    kUnassignedMethodStatus17 = 0x223,
    kNullData = 0x224,  // update without a data pointer
    kUnassignedMethodStatus19 = 0x226,
    kUnassignedMethodStatus20 = 0x227,
};

// The toolkit spells them kOk, kOutOfMemory, ...
using enum Status;

// The number an export hands its caller: the same number, as the export's integer.
[[nodiscard]] constexpr std::int32_t ToExportStatus(Status status) {
    return static_cast<std::int32_t>(status);
}

// Statuses of primitive operations: the methods' own vocabulary, one list named by what the
// methods mean by each. The numbers are what TranslateMethodStatus reads; numbers without a name
// here (11, 12, 14, 17, 19, 20) are returned by no method of this module and still translated.
enum class MethodStatus : std::uint32_t {
    kOk = 0,
    kCancelled = 1,  // the surrender poll said stop
    kFailure = 2,
    kEvenExponent = 3,    // an even RSA public exponent
    kExponentLength = 4,  // an RSA public exponent below 2 bits or not below the modulus
    kDataMalformed = 5,
    kLengthOutOfRange = 6,
    kModulusLength = 7,  // a modulus or prime length out of range
    kRetry = 8,          // unusable candidate: key generation tries again with fresh bytes
    kNotSupported = 9,
    kOutputTooSmall = 10,
    kKeyFormUnavailable = 13,
    kBadParameters = 15,
    kOutOfMemory = 16,
    kDeviceFailure = 18,
    kPrimeCount = 21,  // a prime count not allowed for the modulus size
};

// The methods spell them method::kOk, method::kRetry, ...
namespace method {
using enum MethodStatus;
}  // namespace method

// The fixed table from method statuses to toolkit statuses; anything above 20 is kMethodFailure.
[[nodiscard]] Status TranslateMethodStatus(MethodStatus methodStatus);

}  // namespace quillon::toolkit
