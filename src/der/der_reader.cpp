#include "der/der_reader.h"

#include "der/der_oid.h"

namespace quillon::der {
namespace {

// Lengths beyond four octets describe more than 4 GiB, which no input of the module holds.
constexpr std::size_t kMaxLengthOctets = 4;
// Base-128 octets of a high tag number: 4 * 7 bits cover kDerMaxTagNumber.
constexpr std::size_t kMaxTagNumberOctets = 4;

DerStatus ParseTag(std::span<const std::uint8_t> input, DerTag& tag, std::size_t& size) {
    if (input.empty()) return DerStatus::kTruncated;
    const std::uint8_t first = input[0];
    const auto tagClass = static_cast<DerClass>(first >> 6);
    const bool constructed = (first & 0x20) != 0;
    std::uint32_t number = first & 0x1F;
    size = 1;
    if (number == 0x1F) {
        // High tag number form (X.690 8.1.2.4): base 128, most significant group first.
        number = 0;
        while (true) {
            if (size >= input.size()) return DerStatus::kTruncated;
            const std::uint8_t octet = input[size++];
            if (size == 2 && octet == 0x80) return DerStatus::kBadTag;  // leading zero group
            if (size - 1 > kMaxTagNumberOctets) return DerStatus::kBadTag;
            number = number << 7 | (octet & 0x7F);
            if ((octet & 0x80) == 0) break;
        }
        if (number < 0x1F) return DerStatus::kBadTag;  // fits the one-octet form
    }
    if (!DerTagFormValid(tagClass, constructed, number)) return DerStatus::kBadTag;
    tag = {tagClass, constructed, number};
    return DerStatus::kOk;
}

}  // namespace

DerStatus DerParseHeader(std::span<const std::uint8_t> input, DerTag& tag, std::size_t& headerSize,
                         std::size_t& contentSize) {
    std::size_t tagSize = 0;
    DerTag parsed;
    if (const DerStatus status = ParseTag(input, parsed, tagSize); status != DerStatus::kOk) {
        return status;
    }
    if (tagSize >= input.size()) return DerStatus::kTruncated;
    const std::uint8_t first = input[tagSize];
    std::size_t size = tagSize + 1;
    std::size_t length = first;
    if (first == 0x80) return DerStatus::kIndefiniteLength;
    if (first > 0x80) {
        const std::size_t octets = first & 0x7F;
        if (octets > kMaxLengthOctets) return DerStatus::kLengthTooLarge;  // 0xFF included
        if (input.size() - size < octets) return DerStatus::kTruncated;
        if (input[size] == 0) return DerStatus::kNonMinimalLength;
        length = 0;
        for (std::size_t i = 0; i < octets; ++i) length = length << 8 | input[size + i];
        size += octets;
        if (length < 0x80) return DerStatus::kNonMinimalLength;
    }
    if (length > input.size() - size) return DerStatus::kLengthPastEnd;
    tag = parsed;
    headerSize = size;
    contentSize = length;
    return DerStatus::kOk;
}

DerStatus DerCheckInteger(std::span<const std::uint8_t> contents) {
    if (contents.empty()) return DerStatus::kNonMinimalInteger;
    if (contents.size() >= 2) {
        // The first nine bits may not all be equal: one octet fewer would say the same.
        const bool redundantZero = contents[0] == 0x00 && (contents[1] & 0x80) == 0;
        const bool redundantOnes = contents[0] == 0xFF && (contents[1] & 0x80) != 0;
        if (redundantZero || redundantOnes) return DerStatus::kNonMinimalInteger;
    }
    return DerStatus::kOk;
}

DerStatus DerCheckBitString(std::span<const std::uint8_t> contents) {
    if (contents.empty()) return DerStatus::kBadContents;
    const std::uint8_t unused = contents[0];
    if (unused > 7) return DerStatus::kBadContents;
    if (contents.size() == 1) return unused == 0 ? DerStatus::kOk : DerStatus::kBadContents;
    // X.690 11.2.1: the unused bits of the last octet are zero.
    const auto mask = static_cast<std::uint8_t>((1u << unused) - 1);
    return (contents.back() & mask) == 0 ? DerStatus::kOk : DerStatus::kBadContents;
}

bool DerReader::PeekTag(DerTag& tag) const {
    std::size_t size = 0;
    return ParseTag(rest_, tag, size) == DerStatus::kOk;
}

bool DerReader::NextIs(DerTag tag) const {
    DerTag next;
    return PeekTag(next) && next == tag;
}

DerStatus DerReader::ReadElement(DerElement& element) {
    std::size_t headerSize = 0;
    std::size_t contentSize = 0;
    DerTag tag;
    if (const DerStatus status = DerParseHeader(rest_, tag, headerSize, contentSize);
        status != DerStatus::kOk) {
        return status;
    }
    element.tag = tag;
    element.encoding = rest_.first(headerSize + contentSize);
    element.contents = element.encoding.subspan(headerSize);
    rest_ = rest_.subspan(headerSize + contentSize);
    return DerStatus::kOk;
}

DerStatus DerReader::Read(DerTag tag, DerElement& element) {
    DerReader probe = *this;
    DerElement found;
    if (const DerStatus status = probe.ReadElement(found); status != DerStatus::kOk) {
        return status;
    }
    if (found.tag != tag) return DerStatus::kUnexpectedTag;
    element = found;
    *this = probe;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadOptional(DerTag tag, DerElement& element, bool& present) {
    present = false;
    if (!NextIs(tag)) {
        // A tag that does not parse is an error, not an absent element.
        DerTag next;
        if (!rest_.empty() && !PeekTag(next)) return ReadElement(element);
        return DerStatus::kOk;
    }
    const DerStatus status = Read(tag, element);
    present = status == DerStatus::kOk;
    return status;
}

DerStatus DerReader::ReadConstructed(DerTag tag, DerReader& contents) {
    if (!tag.constructed) return DerStatus::kUnexpectedTag;
    DerElement element;
    if (const DerStatus status = Read(tag, element); status != DerStatus::kOk) return status;
    contents = DerReader(element.contents);
    return DerStatus::kOk;
}

template <typename Check>
DerStatus DerReader::ReadChecked(DerTag tag, DerElement& element, Check check) {
    DerReader probe = *this;
    if (const DerStatus status = probe.Read(tag, element); status != DerStatus::kOk) {
        return status;
    }
    if (const DerStatus status = check(element.contents); status != DerStatus::kOk) {
        return status;
    }
    *this = probe;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadInteger(std::span<const std::uint8_t>& contents, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, DerCheckInteger);
    if (status != DerStatus::kOk) return status;
    contents = element.contents;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadUnsignedInteger(std::span<const std::uint8_t>& magnitude, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        const DerStatus integer = DerCheckInteger(c);
        if (integer != DerStatus::kOk) return integer;
        return (c[0] & 0x80) != 0 ? DerStatus::kNegativeInteger : DerStatus::kOk;
    });
    if (status != DerStatus::kOk) return status;
    magnitude = element.contents;
    if (magnitude.size() > 1 && magnitude[0] == 0) magnitude = magnitude.subspan(1);
    return DerStatus::kOk;
}

DerStatus DerReader::ReadSmallInteger(std::int64_t& value, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        const DerStatus integer = DerCheckInteger(c);
        if (integer != DerStatus::kOk) return integer;
        return c.size() > 8 ? DerStatus::kIntegerTooLarge : DerStatus::kOk;
    });
    if (status != DerStatus::kOk) return status;
    // Sign-extend from the first octet, then shift the rest in.
    std::uint64_t bits = (element.contents[0] & 0x80) != 0 ? ~std::uint64_t{0} : 0;
    for (const std::uint8_t octet : element.contents) bits = bits << 8 | octet;
    value = static_cast<std::int64_t>(bits);
    return DerStatus::kOk;
}

DerStatus DerReader::ReadBoolean(bool& value, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        // X.690 11.1: FALSE is 0x00 and TRUE is 0xFF, nothing else.
        const bool valid = c.size() == 1 && (c[0] == 0x00 || c[0] == 0xFF);
        return valid ? DerStatus::kOk : DerStatus::kBadContents;
    });
    if (status != DerStatus::kOk) return status;
    value = element.contents[0] == 0xFF;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadNull(DerTag tag) {
    DerElement element;
    return ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        return c.empty() ? DerStatus::kOk : DerStatus::kBadContents;
    });
}

DerStatus DerReader::ReadOid(std::span<const std::uint8_t>& contents, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        return DerOidContentsValid(c) ? DerStatus::kOk : DerStatus::kBadContents;
    });
    if (status != DerStatus::kOk) return status;
    contents = element.contents;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadOctetString(std::span<const std::uint8_t>& contents, DerTag tag) {
    DerElement element;
    const DerStatus status = Read(tag, element);
    if (status != DerStatus::kOk) return status;
    contents = element.contents;
    return DerStatus::kOk;
}

DerStatus DerReader::ReadBitString(std::span<const std::uint8_t>& bytes, std::uint8_t& unusedBits,
                                   DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, DerCheckBitString);
    if (status != DerStatus::kOk) return status;
    unusedBits = element.contents[0];
    bytes = element.contents.subspan(1);
    return DerStatus::kOk;
}

DerStatus DerReader::ReadBitStringBytes(std::span<const std::uint8_t>& bytes, DerTag tag) {
    DerElement element;
    const DerStatus status = ReadChecked(tag, element, [](std::span<const std::uint8_t> c) {
        const DerStatus bitString = DerCheckBitString(c);
        if (bitString != DerStatus::kOk) return bitString;
        return c[0] == 0 ? DerStatus::kOk : DerStatus::kBadContents;
    });
    if (status != DerStatus::kOk) return status;
    bytes = element.contents.subspan(1);
    return DerStatus::kOk;
}

DerStatus DerReader::ReadTime(DerTime& time, DerTimeForm form) {
    DerTag tag;
    if (!PeekTag(tag)) {
        DerElement element;
        DerReader probe = *this;
        return probe.ReadElement(element);
    }
    if (tag != DerUniversal(der_universal::kUtcTime) &&
        tag != DerUniversal(der_universal::kGeneralizedTime)) {
        return DerStatus::kUnexpectedTag;
    }
    DerElement element;
    DerTime parsed;
    const DerStatus status = ReadChecked(tag, element, [&](std::span<const std::uint8_t> c) {
        return DerParseTime(tag.number, c, parsed, form);
    });
    if (status != DerStatus::kOk) return status;
    time = parsed;
    return DerStatus::kOk;
}

}  // namespace quillon::der
