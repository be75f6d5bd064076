// Shared vocabulary of the DER reader and writer (ITU-T X.690, distinguished encoding rules):
// tags, the universal tag numbers the module meets, and the status of a DER operation.
#pragma once

#include <cstdint>

namespace quillon::der {

enum class DerClass : std::uint8_t {
    kUniversal = 0,
    kApplication = 1,
    kContextSpecific = 2,
    kPrivate = 3,
};

// Universal tag numbers (X.680 section 8.4).
namespace der_universal {
inline constexpr std::uint32_t kBoolean = 1;
inline constexpr std::uint32_t kInteger = 2;
inline constexpr std::uint32_t kBitString = 3;
inline constexpr std::uint32_t kOctetString = 4;
inline constexpr std::uint32_t kNull = 5;
inline constexpr std::uint32_t kObjectIdentifier = 6;
inline constexpr std::uint32_t kEnumerated = 10;
inline constexpr std::uint32_t kUtf8String = 12;
inline constexpr std::uint32_t kSequence = 16;
inline constexpr std::uint32_t kSet = 17;
inline constexpr std::uint32_t kNumericString = 18;
inline constexpr std::uint32_t kPrintableString = 19;
inline constexpr std::uint32_t kT61String = 20;
inline constexpr std::uint32_t kIa5String = 22;
inline constexpr std::uint32_t kUtcTime = 23;
inline constexpr std::uint32_t kGeneralizedTime = 24;
inline constexpr std::uint32_t kVisibleString = 26;
inline constexpr std::uint32_t kUniversalString = 28;
inline constexpr std::uint32_t kBmpString = 30;
}  // namespace der_universal

// Tag numbers above this are refused: four base-128 octets are enough for any real protocol.
inline constexpr std::uint32_t kDerMaxTagNumber = (1u << 28) - 1;

struct DerTag {
    DerClass tagClass = DerClass::kUniversal;
    bool constructed = false;
    std::uint32_t number = 0;

    friend constexpr bool operator==(const DerTag&, const DerTag&) = default;
};

// DER fixes the form of most universal types (X.690 section 10.2 and 8): strings, times and
// the simple types are primitive, SEQUENCE, SET, EXTERNAL, EMBEDDED PDV and CHARACTER STRING
// constructed. Universal tag 0 is reserved for BER's end-of-contents and never valid here.
[[nodiscard]] constexpr bool DerTagFormValid(DerClass tagClass, bool constructed,
                                             std::uint32_t number) {
    if (number > kDerMaxTagNumber) return false;
    if (tagClass != DerClass::kUniversal) return true;
    switch (number) {
        case 0:
            return false;
        case 8:
        case 11:
        case der_universal::kSequence:
        case der_universal::kSet:
        case 29:
            return constructed;
        case 15:
            return false;  // reserved
        default:
            return number > 30 || !constructed;
    }
}

// Universal tags in the form DER requires: SEQUENCE and SET constructed, all else primitive.
[[nodiscard]] constexpr DerTag DerUniversal(std::uint32_t number) {
    return {DerClass::kUniversal,
            number == der_universal::kSequence || number == der_universal::kSet, number};
}
// [n]: constructed for EXPLICIT tagging and for IMPLICIT tagging of a constructed type,
// primitive for IMPLICIT tagging of a primitive type.
[[nodiscard]] constexpr DerTag DerContext(std::uint32_t number, bool constructed) {
    return {DerClass::kContextSpecific, constructed, number};
}

inline constexpr DerTag kDerSequence = DerUniversal(der_universal::kSequence);
inline constexpr DerTag kDerSet = DerUniversal(der_universal::kSet);
inline constexpr DerTag kDerInteger = DerUniversal(der_universal::kInteger);
inline constexpr DerTag kDerBoolean = DerUniversal(der_universal::kBoolean);
inline constexpr DerTag kDerBitString = DerUniversal(der_universal::kBitString);
inline constexpr DerTag kDerOctetString = DerUniversal(der_universal::kOctetString);
inline constexpr DerTag kDerNull = DerUniversal(der_universal::kNull);
inline constexpr DerTag kDerObjectIdentifier = DerUniversal(der_universal::kObjectIdentifier);

// The first failure of a DER operation; kOk when there is none. The readers report what was
// wrong with the input, the writers what was wrong with the request.
enum class DerStatus : std::uint8_t {
    kOk,
    kTruncated,          // the input ends inside a tag or a length
    kLengthPastEnd,      // the contents would run past the end of the input
    kIndefiniteLength,   // 0x80: allowed in BER, never in DER
    kNonMinimalLength,   // long form where the short form fits, or a leading zero octet
    kLengthTooLarge,     // more than four length octets, or the reserved 0xFF
    kBadTag,             // non-minimal or oversized tag number, end-of-contents, wrong form
    kUnexpectedTag,      // well formed, but not the element the caller asked for
    kNonMinimalInteger,  // INTEGER with a redundant leading 0x00 or 0xFF, or empty
    kNegativeInteger,    // a negative INTEGER where only non-negative values are allowed
    kIntegerTooLarge,    // does not fit the caller's integer type
    kBadContents,        // BOOLEAN, NULL, BIT STRING, OBJECT IDENTIFIER or time not in DER form
    kTrailingBytes,      // bytes left after the last expected element
    kOutOfMemory,        // no memory for the work (text of object identifier arcs beyond 64 bits)
    kBufferTooSmall,     // the output does not fit; the needed size is reported
    kUnbalanced,         // writer: End without Begin, or Finish with elements still open
    kTooDeep,            // writer: more nested elements open than it tracks
    kInvalidArgument,    // writer: a value that has no DER encoding (bad object identifier
                         // text, unused bits, a pre-encoded element that is not one element)
};

}  // namespace quillon::der
