// A strict DER reader over a byte span. It never allocates and never reads outside its input:
// every element it returns is a view into the input. Only the distinguished encoding is
// accepted: definite lengths in their shortest form, tag numbers in their shortest form,
// minimal INTEGERs, and the DER forms of BOOLEAN, NULL, BIT STRING, OBJECT IDENTIFIER and the
// time types. A read that fails leaves the reader where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "der/der.h"
#include "der/der_time.h"

namespace quillon::der {

struct DerElement {
    DerTag tag;
    std::span<const std::uint8_t> contents;  // the contents octets
    std::span<const std::uint8_t> encoding;  // tag, length and contents
};

// The tag and length at the start of input. headerSize is the number of tag and length octets,
// contentSize the length; on success headerSize + contentSize <= input.size().
[[nodiscard]] DerStatus DerParseHeader(std::span<const std::uint8_t> input, DerTag& tag,
                                       std::size_t& headerSize, std::size_t& contentSize);

// Checks of contents octets, as the typed reads apply them.
[[nodiscard]] DerStatus DerCheckInteger(std::span<const std::uint8_t> contents);
[[nodiscard]] DerStatus DerCheckBitString(std::span<const std::uint8_t> contents);

class DerReader {
  public:
    constexpr DerReader() = default;
    constexpr explicit DerReader(std::span<const std::uint8_t> input) : rest_(input) {}

    [[nodiscard]] bool empty() const { return rest_.empty(); }
    [[nodiscard]] std::size_t remaining() const { return rest_.size(); }
    [[nodiscard]] std::span<const std::uint8_t> rest() const { return rest_; }

    // kOk when the input is used up, kTrailingBytes otherwise.
    [[nodiscard]] DerStatus ExpectEnd() const {
        return rest_.empty() ? DerStatus::kOk : DerStatus::kTrailingBytes;
    }

    // The tag of the next element, if a well-formed one follows; the reader does not move.
    [[nodiscard]] bool PeekTag(DerTag& tag) const;
    [[nodiscard]] bool NextIs(DerTag tag) const;

    // The next element, whatever its tag.
    [[nodiscard]] DerStatus ReadElement(DerElement& element);
    // The next element, which must carry tag (kUnexpectedTag otherwise).
    [[nodiscard]] DerStatus Read(DerTag tag, DerElement& element);
    // An element that may be absent: present is false, and the status kOk, when the input is
    // used up or the next element carries another tag.
    [[nodiscard]] DerStatus ReadOptional(DerTag tag, DerElement& element, bool& present);
    // The contents of a constructed element as a reader of their own (SEQUENCE, SET, or [n]
    // with the constructed bit).
    [[nodiscard]] DerStatus ReadConstructed(DerTag tag, DerReader& contents);
    [[nodiscard]] DerStatus ReadSequence(DerReader& contents) {
        return ReadConstructed(kDerSequence, contents);
    }
    [[nodiscard]] DerStatus ReadSet(DerReader& contents) {
        return ReadConstructed(kDerSet, contents);
    }

    // Typed reads. Each takes the tag to expect, so an IMPLICIT [n] tag can replace the
    // universal one.
    // INTEGER as its two's-complement contents octets.
    [[nodiscard]] DerStatus ReadInteger(std::span<const std::uint8_t>& contents,
                                        DerTag tag = kDerInteger);
    // A non-negative INTEGER as an unsigned big-endian magnitude: the sign octet a DER encoding
    // needs before a high bit is dropped, so zero reads as the one octet 0x00.
    [[nodiscard]] DerStatus ReadUnsignedInteger(std::span<const std::uint8_t>& magnitude,
                                                DerTag tag = kDerInteger);
    // An INTEGER that fits 64 bits (version numbers and the like).
    [[nodiscard]] DerStatus ReadSmallInteger(std::int64_t& value, DerTag tag = kDerInteger);
    [[nodiscard]] DerStatus ReadBoolean(bool& value, DerTag tag = kDerBoolean);
    [[nodiscard]] DerStatus ReadNull(DerTag tag = kDerNull);
    // OBJECT IDENTIFIER contents octets (see der_oid.h for arcs and text).
    [[nodiscard]] DerStatus ReadOid(std::span<const std::uint8_t>& contents,
                                    DerTag tag = kDerObjectIdentifier);
    [[nodiscard]] DerStatus ReadOctetString(std::span<const std::uint8_t>& contents,
                                            DerTag tag = kDerOctetString);
    // BIT STRING: the bytes after the unused-bits octet, and that octet's value (0-7).
    [[nodiscard]] DerStatus ReadBitString(std::span<const std::uint8_t>& bytes,
                                          std::uint8_t& unusedBits, DerTag tag = kDerBitString);
    // A BIT STRING of whole bytes (keys, signatures); unused bits are kBadContents.
    [[nodiscard]] DerStatus ReadBitStringBytes(std::span<const std::uint8_t>& bytes,
                                               DerTag tag = kDerBitString);
    // UTCTime or GeneralizedTime, whichever comes, in the forms form allows.
    [[nodiscard]] DerStatus ReadTime(DerTime& time, DerTimeForm form = DerTimeForm::kDer);

  private:
    // Reads an element of the given tag and checks its contents with check; moves only when
    // both succeed.
    template <typename Check>
    DerStatus ReadChecked(DerTag tag, DerElement& element, Check check);

    std::span<const std::uint8_t> rest_;
};

}  // namespace quillon::der
