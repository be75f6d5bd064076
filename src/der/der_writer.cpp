#include "der/der_writer.h"

#include <algorithm>
#include <cstring>

#include "der/der_oid.h"
#include "der/der_reader.h"

namespace quillon::der {
namespace {

// Lengths are written with at most four octets, as the reader accepts them.
constexpr bool LengthFits(std::size_t size) {
    if constexpr (sizeof(std::size_t) > 4) {
        return size <= 0xFFFFFFFF;
    } else {
        return true;
    }
}

struct Octets {
    std::uint8_t bytes[5];
    std::size_t size = 0;
};

Octets EncodeTag(DerTag tag) {
    Octets encoded;
    const auto first = static_cast<std::uint8_t>(static_cast<unsigned>(tag.tagClass) << 6 |
                                                 (tag.constructed ? 0x20 : 0));
    if (tag.number < 0x1F) {
        encoded.bytes[encoded.size++] = static_cast<std::uint8_t>(first | tag.number);
        return encoded;
    }
    encoded.bytes[encoded.size++] = static_cast<std::uint8_t>(first | 0x1F);
    int groups = 1;
    for (std::uint32_t rest = tag.number >> 7; rest != 0; rest >>= 7) ++groups;
    for (int i = groups - 1; i >= 0; --i) {
        encoded.bytes[encoded.size++] =
            static_cast<std::uint8_t>((tag.number >> (7 * i) & 0x7F) | (i > 0 ? 0x80 : 0));
    }
    return encoded;
}

Octets EncodeLength(std::size_t length) {
    Octets encoded;
    if (length < 0x80) {
        encoded.bytes[encoded.size++] = static_cast<std::uint8_t>(length);
        return encoded;
    }
    int octets = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) ++octets;
    encoded.bytes[encoded.size++] = static_cast<std::uint8_t>(0x80 | octets);
    for (int i = octets - 1; i >= 0; --i) {
        encoded.bytes[encoded.size++] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    return encoded;
}

// X.690 11.6: compared as octet strings, the shorter padded with zero octets at its end.
int CompareForSetOf(const std::uint8_t* a, std::size_t aSize, const std::uint8_t* b,
                    std::size_t bSize) {
    for (std::size_t i = 0; i < std::max(aSize, bSize); ++i) {
        const std::uint8_t x = i < aSize ? a[i] : 0;
        const std::uint8_t y = i < bSize ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// Contents rules of the universal types whose DER form the reader checks.
DerStatus CheckUniversalContents(DerTag tag, std::span<const std::uint8_t> contents) {
    if (tag.tagClass != DerClass::kUniversal) return DerStatus::kOk;
    switch (tag.number) {
        case der_universal::kBoolean:
            return contents.size() == 1 && (contents[0] == 0 || contents[0] == 0xFF)
                       ? DerStatus::kOk
                       : DerStatus::kBadContents;
        case der_universal::kInteger:
        case der_universal::kEnumerated:
            return DerCheckInteger(contents);
        case der_universal::kBitString:
            return DerCheckBitString(contents);
        case der_universal::kNull:
            return contents.empty() ? DerStatus::kOk : DerStatus::kBadContents;
        case der_universal::kObjectIdentifier:
            return DerOidContentsValid(contents) ? DerStatus::kOk : DerStatus::kBadContents;
        case der_universal::kUtcTime:
        case der_universal::kGeneralizedTime: {
            DerTime time;
            return DerParseTime(tag.number, contents, time);
        }
        default:
            return DerStatus::kOk;
    }
}

}  // namespace

bool DerWriter::Usable() const {
    return status_ == DerStatus::kOk || status_ == DerStatus::kBufferTooSmall;
}

void DerWriter::Fail(DerStatus status) {
    if (status == DerStatus::kBufferTooSmall) {
        // From here on only count: the caller learns the size it needs.
        if (status_ == DerStatus::kOk) status_ = status;
        writing_ = false;
        return;
    }
    if (Usable()) status_ = status;
}

void DerWriter::Put(const std::uint8_t* bytes, std::size_t count) {
    if (!Usable()) return;
    if (writing_) {
        if (count > out_.size() - size_) {
            Fail(DerStatus::kBufferTooSmall);
        } else if (count != 0) {
            std::memcpy(out_.data() + size_, bytes, count);
        }
    }
    size_ += count;
}

void DerWriter::PutHeader(DerTag tag, std::size_t contentSize) {
    if (!LengthFits(contentSize)) return Fail(DerStatus::kLengthTooLarge);
    const Octets encodedTag = EncodeTag(tag);
    const Octets length = EncodeLength(contentSize);
    Put(encodedTag.bytes, encodedTag.size);
    Put(length.bytes, length.size);
}

void DerWriter::Begin(DerTag tag) {
    if (!Usable()) return;
    if (!tag.constructed || !DerTagFormValid(tag.tagClass, true, tag.number)) {
        return Fail(DerStatus::kInvalidArgument);
    }
    if (depth_ == kMaxDepth) return Fail(DerStatus::kTooDeep);
    // One length octet is reserved; End widens it when the contents need the long form.
    const Octets encodedTag = EncodeTag(tag);
    const std::uint8_t placeholder = 0;
    Put(encodedTag.bytes, encodedTag.size);
    Put(&placeholder, 1);
    open_[depth_++] = {size_, false};
}

void DerWriter::BeginSetOf(DerTag tag) {
    Begin(tag);
    if (Usable()) open_[depth_ - 1].setOf = true;
}

void DerWriter::End() {
    if (!Usable()) return;
    if (depth_ == 0) return Fail(DerStatus::kUnbalanced);
    const Open element = open_[--depth_];
    const std::size_t contentSize = size_ - element.contentStart;
    if (!LengthFits(contentSize)) return Fail(DerStatus::kLengthTooLarge);
    const Octets length = EncodeLength(contentSize);
    const std::size_t extra = length.size - 1;
    if (writing_ && extra > out_.size() - size_) Fail(DerStatus::kBufferTooSmall);
    if (writing_) {
        std::uint8_t* contents = out_.data() + element.contentStart;
        std::memmove(contents + extra, contents, contentSize);
        std::memcpy(contents - 1, length.bytes, length.size);
        if (element.setOf) SortSetOf(contents + extra, contentSize);
    }
    size_ += extra;
}

void DerWriter::SortSetOf(std::uint8_t* contents, std::size_t size) {
    const auto elementSize = [&](std::size_t at) -> std::size_t {
        DerTag tag;
        std::size_t header = 0;
        std::size_t body = 0;
        if (DerParseHeader({contents + at, size - at}, tag, header, body) != DerStatus::kOk) {
            return 0;
        }
        return header + body;
    };
    // Bubble sort by rotation: sets are small and the buffer is the only storage at hand.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t at = 0; at < size;) {
            const std::size_t first = elementSize(at);
            if (first == 0) return Fail(DerStatus::kInvalidArgument);
            if (at + first == size) break;
            const std::size_t second = elementSize(at + first);
            if (second == 0) return Fail(DerStatus::kInvalidArgument);
            std::uint8_t* a = contents + at;
            if (CompareForSetOf(a, first, a + first, second) > 0) {
                std::rotate(a, a + first, a + first + second);
                swapped = true;
                at += second;
            } else {
                at += first;
            }
        }
    }
}

void DerWriter::WritePrimitive(DerTag tag, std::span<const std::uint8_t> contents) {
    if (!Usable()) return;
    if (tag.constructed || !DerTagFormValid(tag.tagClass, false, tag.number) ||
        CheckUniversalContents(tag, contents) != DerStatus::kOk) {
        return Fail(DerStatus::kInvalidArgument);
    }
    PutHeader(tag, contents.size());
    Put(contents.data(), contents.size());
}

void DerWriter::WriteEncoded(std::span<const std::uint8_t> element) {
    if (!Usable()) return;
    DerTag tag;
    std::size_t header = 0;
    std::size_t body = 0;
    if (DerParseHeader(element, tag, header, body) != DerStatus::kOk ||
        header + body != element.size()) {
        return Fail(DerStatus::kInvalidArgument);
    }
    Put(element.data(), element.size());
}

void DerWriter::WriteSmallInteger(std::int64_t value, DerTag tag) {
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (56 - 8 * i));
    }
    std::size_t start = 0;
    while (start < 7 && ((bytes[start] == 0x00 && (bytes[start + 1] & 0x80) == 0) ||
                         (bytes[start] == 0xFF && (bytes[start + 1] & 0x80) != 0))) {
        ++start;
    }
    WritePrimitive(tag, {bytes + start, 8 - start});
}

void DerWriter::WriteOid(std::span<const std::uint8_t> contents, DerTag tag) {
    if (!DerOidContentsValid(contents)) return Fail(DerStatus::kInvalidArgument);
    WritePrimitive(tag, contents);
}

void DerWriter::WriteOctetString(std::span<const std::uint8_t> contents, DerTag tag) {
    WritePrimitive(tag, contents);
}

DerStatus DerWriter::Finish(std::size_t& size) const {
    size = size_;
    if (!Usable()) return status_;
    if (depth_ != 0) return DerStatus::kUnbalanced;
    return status_;
}

}  // namespace quillon::der
