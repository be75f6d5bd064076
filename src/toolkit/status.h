// Toolkit status codes and the method statuses they are translated from.
//
// Every toolkit operation returns a Status (0 = success). The Diffie-Hellman and RSA exports hand
// these numbers to their callers unchanged, so the values are part of the module's contract.
// Primitive operations of the methods return the small method statuses (MethodStatus);
// TranslateMethodStatus maps them before they leave the toolkit.
#pragma once

#include <cstdint>

namespace quillon::toolkit {

using Status = std::uint32_t;

inline constexpr Status kOk = 0;
inline constexpr Status kInfoAlreadySet = 0x200;      // the algorithm object already holds an info
inline constexpr Status kBadParameters = 0x201;       // parameter record missing/invalid/malformed
inline constexpr Status kNotInitialized = 0x202;      // update or final before a successful init
inline constexpr Status kNoAlgorithmInfo = 0x203;     // init on an object holding no info
inline constexpr Status kBadAlgorithmObject = 0x204;  // not a valid algorithm object
inline constexpr Status kWrongAlgorithm = 0x205;      // wrong family, or alg-info type to a key op
inline constexpr Status kOutOfMemory = 0x206;
inline constexpr Status kCancelled = 0x207;  // the surrender callback said stop
inline constexpr Status kMethodFailure = 0x208;
inline constexpr Status kEvenExponent = 0x209;    // an even RSA public exponent
inline constexpr Status kExponentLength = 0x20A;  // an RSA exponent below 2 bits or not below n
inline constexpr Status kDeviceFailure = 0x20B;   // a hardware token or device failed
inline constexpr Status kDataMalformed = 0x20C;   // block format, DER contents, key version
inline constexpr Status kLengthOutOfRange = 0x20D;
inline constexpr Status kKeyAlreadySet = 0x20E;
inline constexpr Status kKeyFormUnavailable = 0x20F;  // the key cannot be given in that form
inline constexpr Status kUnassignedMethodStatus12 = 0x210;
inline constexpr Status kKeyEmpty = 0x211;
inline constexpr Status kBadKeyObject = 0x212;
inline constexpr Status kKeyInfoToAlgorithm = 0x213;  // a key-info type given to AlgSetInfo
inline constexpr Status kModulusLength = 0x215;       // modulus or prime length out of range
inline constexpr Status kUnassignedMethodStatus11 = 0x216;
inline constexpr Status kNotSupported = 0x217;
inline constexpr Status kOutputTooSmall = 0x218;
inline constexpr Status kBadRandomObject = 0x21B;
inline constexpr Status kCannotReportInfo = 0x21D;
inline constexpr Status kNotRsaKey = 0x21E;
inline constexpr Status kNoMethod = 0x221;  // nothing in the chooser fits
inline constexpr Status kUnassignedMethodStatus17 = 0x223;
inline constexpr Status kNullData = 0x224;  // update without a data pointer
inline constexpr Status kUnassignedMethodStatus19 = 0x226;
inline constexpr Status kUnassignedMethodStatus20 = 0x227;

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

// The fixed table from method statuses to toolkit statuses; anything above 20 is 0x208.
[[nodiscard]] Status TranslateMethodStatus(MethodStatus methodStatus);

}  // namespace quillon::toolkit
