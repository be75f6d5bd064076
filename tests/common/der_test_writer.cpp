#include "common/der_test_writer.h"

#include <vector>

#include "der/der_oid.h"

namespace quillon::test {
namespace {

using der::DerStatus;
using der::DerTag;
using der::DerTime;

// UTCTime covers 1950 to 2049 (two-digit years 50-99 are 19xx, 00-49 are 20xx); a
// certificate encodes those years as UTCTime and all others as GeneralizedTime.
bool FitsUtcTime(const DerTime& time) {
    return time.year >= 1950 && time.year <= 2049;
}

}  // namespace

void DerTestWriter::WriteUnsignedInteger(std::span<const std::uint8_t> magnitude, DerTag tag) {
    while (!magnitude.empty() && magnitude[0] == 0) magnitude = magnitude.subspan(1);
    const bool signOctet = magnitude.empty() || (magnitude[0] & 0x80) != 0;
    if (!Usable()) return;
    if (tag.constructed || !der::DerTagFormValid(tag.tagClass, false, tag.number)) {
        return Fail(DerStatus::kInvalidArgument);
    }
    const std::uint8_t zero = 0;
    PutHeader(tag, magnitude.size() + (signOctet ? 1 : 0));
    if (signOctet) Put(&zero, 1);
    Put(magnitude.data(), magnitude.size());
}

void DerTestWriter::WriteBoolean(bool value, DerTag tag) {
    const std::uint8_t octet = value ? 0xFF : 0x00;
    WritePrimitive(tag, {&octet, 1});
}

void DerTestWriter::WriteNull(DerTag tag) {
    WritePrimitive(tag, {});
}

void DerTestWriter::WriteOidText(std::string_view text, DerTag tag) {
    if (!Usable()) return;
    std::size_t size = 0;
    const DerStatus measured = der::DerOidFromText(text, {}, size);
    if (measured != DerStatus::kOk && measured != DerStatus::kBufferTooSmall) {
        return Fail(DerStatus::kInvalidArgument);
    }
    std::vector<std::uint8_t> contents(size);
    (void)der::DerOidFromText(text, contents, size);
    WritePrimitive(tag, contents);
}

void DerTestWriter::WriteBitString(std::span<const std::uint8_t> bytes, std::uint8_t unusedBits,
                                   DerTag tag) {
    if (!Usable()) return;
    const auto unusedMask = static_cast<std::uint8_t>((1u << (unusedBits & 7)) - 1);
    if (unusedBits > 7 || (bytes.empty() && unusedBits != 0) ||
        (!bytes.empty() && (bytes.back() & unusedMask) != 0)) {
        return Fail(DerStatus::kInvalidArgument);
    }
    if (tag.constructed || !der::DerTagFormValid(tag.tagClass, false, tag.number)) {
        return Fail(DerStatus::kInvalidArgument);
    }
    PutHeader(tag, bytes.size() + 1);
    Put(&unusedBits, 1);
    Put(bytes.data(), bytes.size());
}

void DerTestWriter::WriteTime(const DerTime& time) {
    if (!der::DerTimeValid(time)) return Fail(DerStatus::kInvalidArgument);
    const bool utc = FitsUtcTime(time);
    std::uint8_t text[15];
    std::size_t size = 0;
    const auto put = [&](unsigned value, int digits) {
        for (int i = digits - 1; i >= 0; --i) {
            text[size + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('0' + value % 10);
            value /= 10;
        }
        size += static_cast<std::size_t>(digits);
    };
    put(utc ? time.year % 100u : time.year, utc ? 2 : 4);
    for (const unsigned field : {time.month, time.day, time.hour, time.minute, time.second}) {
        put(field, 2);
    }
    text[size++] = 'Z';
    WritePrimitive(der::DerUniversal(utc ? der::der_universal::kUtcTime
                                         : der::der_universal::kGeneralizedTime),
                   {text, size});
}

}  // namespace quillon::test
