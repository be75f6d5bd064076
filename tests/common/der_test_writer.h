// The DER writer with the types that only tests write: INTEGERs from magnitudes, BOOLEAN, NULL,
// object identifiers from dotted text, BIT STRINGs, times and plain SETs. The module's own
// messages need none of them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "der/der_time.h"
#include "der/der_writer.h"

namespace quillon::test {

class DerTestWriter : public der::DerWriter {
  public:
    using DerWriter::DerWriter;

    void BeginSet() { Begin(der::kDerSet); }
    // INTEGER from an unsigned big-endian magnitude; leading zeros are dropped and a sign octet
    // added where the top bit is set. An empty magnitude is zero.
    void WriteUnsignedInteger(std::span<const std::uint8_t> magnitude,
                              der::DerTag tag = der::kDerInteger);
    void WriteBoolean(bool value, der::DerTag tag = der::kDerBoolean);
    void WriteNull(der::DerTag tag = der::kDerNull);
    // OBJECT IDENTIFIER from dotted text (kInvalidArgument for text of another form).
    void WriteOidText(std::string_view text, der::DerTag tag = der::kDerObjectIdentifier);
    // BIT STRING of bytes whose last unusedBits bits (0-7) are not part of the value and must
    // be zero.
    void WriteBitString(std::span<const std::uint8_t> bytes, std::uint8_t unusedBits = 0,
                        der::DerTag tag = der::kDerBitString);
    // UTCTime for 1950-2049, GeneralizedTime otherwise (RFC 5280 section 4.1.2.5).
    void WriteTime(const der::DerTime& time);
};

}  // namespace quillon::test
