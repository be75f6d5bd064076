// The DER writer with the types that only tests write: INTEGERs from magnitudes, BOOLEAN, NULL,
// object identifiers from dotted text, BIT STRINGs, times and plain SETs. The module's own
// messages need none of them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "support/der_time.h"
#include "support/der_writer.h"

namespace quillon::test {

class DerTestWriter : public support::DerWriter {
  public:
    using DerWriter::DerWriter;

    void BeginSet() { Begin(support::kDerSet); }
    // INTEGER from an unsigned big-endian magnitude; leading zeros are dropped and a sign octet
    // added where the top bit is set. An empty magnitude is zero.
    void WriteUnsignedInteger(std::span<const std::uint8_t> magnitude,
                              support::DerTag tag = support::kDerInteger);
    void WriteBoolean(bool value, support::DerTag tag = support::kDerBoolean);
    void WriteNull(support::DerTag tag = support::kDerNull);
    // OBJECT IDENTIFIER from dotted text (kInvalidArgument for text of another form).
    void WriteOidText(std::string_view text, support::DerTag tag = support::kDerObjectIdentifier);
    // BIT STRING of bytes whose last unusedBits bits (0-7) are not part of the value and must
    // be zero.
    void WriteBitString(std::span<const std::uint8_t> bytes, std::uint8_t unusedBits = 0,
                        support::DerTag tag = support::kDerBitString);
    // UTCTime for 1950-2049, GeneralizedTime otherwise (RFC 5280 section 4.1.2.5).
    void WriteTime(const support::DerTime& time);
};

}  // namespace quillon::test
