// The DER reader on arbitrary bytes: it must never read outside its input (ASan sees the
// exact-size heap block), and what it accepts must be canonical: the strict typed reads of
// every primitive universal element succeed or fail together with the writer's checks, and
// when the whole tree is accepted, re-encoding it with the writer gives back the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "der/der_oid.h"
#include "der/der_reader.h"
#include "der/der_writer.h"

namespace {

using namespace quillon::der;

constexpr int kMaxDepth = 40;

// True when an arc of dotted text is above 2^64 - 1 (or a first arc pair makes a first
// subidentifier that is).
bool HasArcBeyond64Bits(std::string_view text) {
    std::size_t start = 0;
    for (int arc = 0; start <= text.size(); ++arc) {
        std::size_t end = text.find('.', start);
        if (end == std::string_view::npos) end = text.size();
        const std::size_t digits = end - start;
        // 2^64 - 1 has 20 digits; the second arc under 2 carries 80 more.
        if (digits > 20 || (digits >= 19 && arc == 1) ||
            (digits == 20 && text.substr(start, digits) > "18446744073709551615")) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The typed read that applies to a primitive universal element, on that element alone.
DerStatus TypedRead(const DerElement& element) {
    DerReader reader(element.encoding);
    std::span<const std::uint8_t> bytes;
    switch (element.tag.number) {
        case der_universal::kBoolean: {
            bool value = false;
            return reader.ReadBoolean(value);
        }
        case der_universal::kInteger: {
            std::int64_t small = 0;
            const DerStatus status = reader.ReadInteger(bytes);
            DerReader again(element.encoding);
            const DerStatus smallStatus = again.ReadSmallInteger(small);
            if (status == DerStatus::kOk && bytes.size() <= 8 && smallStatus != DerStatus::kOk) {
                std::abort();
            }
            DerReader magnitude(element.encoding);
            const DerStatus unsignedStatus = magnitude.ReadUnsignedInteger(bytes);
            if (unsignedStatus == DerStatus::kOk && status != DerStatus::kOk) std::abort();
            return status;
        }
        case der_universal::kEnumerated:
            return reader.ReadInteger(bytes, DerUniversal(der_universal::kEnumerated));
        case der_universal::kBitString: {
            std::uint8_t unused = 0;
            const DerStatus status = reader.ReadBitString(bytes, unused);
            if (status == DerStatus::kOk && unused > 7) std::abort();
            return status;
        }
        case der_universal::kNull:
            return reader.ReadNull();
        case der_universal::kObjectIdentifier: {
            const DerStatus status = reader.ReadOid(bytes);
            if (status != DerStatus::kOk) return status;
            char text[512];
            std::size_t length = 0;
            const DerStatus textStatus = DerOidToText(bytes, text, length);
            if (textStatus == DerStatus::kOk) {
                // Text and contents convert back and forth without loss, where every arc fits
                // the 64 bits of the text reader.
                const std::string_view written(text, length);
                if (written.find_first_not_of("0123456789.") != std::string_view::npos) {
                    std::abort();
                }
                std::uint8_t encoded[256];
                std::size_t size = 0;
                const DerStatus back = DerOidFromText(written, encoded, size);
                if (back == DerStatus::kOk) {
                    if (size != bytes.size() || std::memcmp(encoded, bytes.data(), size) != 0) {
                        std::abort();
                    }
                } else if (!HasArcBeyond64Bits(written)) {
                    std::abort();
                }
            } else if (textStatus != DerStatus::kBufferTooSmall &&
                       textStatus != DerStatus::kOutOfMemory) {
                std::abort();  // the reader accepted the contents
            }
            return status;
        }
        case der_universal::kUtcTime:
        case der_universal::kGeneralizedTime: {
            DerTime time;
            const DerStatus status = reader.ReadTime(time);
            if (status == DerStatus::kOk && !DerTimeValid(time)) std::abort();
            return status;
        }
        default:
            return DerStatus::kOk;
    }
}

// Walks the tree and writes it again; false when anything in it was refused.
bool WalkAndWrite(DerReader reader, DerWriter& writer, int depth) {
    while (!reader.empty()) {
        const std::size_t before = reader.remaining();
        DerElement element;
        if (reader.ReadElement(element) != DerStatus::kOk) {
            if (reader.remaining() != before) std::abort();  // a failed read moved
            return false;
        }
        if (element.encoding.data() + element.encoding.size() > reader.rest().data()) std::abort();
        if (element.tag.constructed) {
            if (depth == kMaxDepth) return false;
            writer.Begin(element.tag);
            if (!WalkAndWrite(DerReader(element.contents), writer, depth + 1)) return false;
            writer.End();
            continue;
        }
        const bool universal = element.tag.tagClass == DerClass::kUniversal;
        const DerStatus typed = universal ? TypedRead(element) : DerStatus::kOk;
        writer.WritePrimitive(element.tag, element.contents);
        // The writer takes exactly what the strict reader takes.
        if ((typed == DerStatus::kOk) != (writer.status() == DerStatus::kOk)) std::abort();
        if (typed != DerStatus::kOk) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto* input = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(input, data, size);

    DerWriter measure;
    if (WalkAndWrite(DerReader({input, size}), measure, 0)) {
        std::size_t needed = 0;
        if (measure.Finish(needed) != DerStatus::kOk || needed != size) std::abort();
        auto* out = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
        DerWriter writer({out, size});
        if (!WalkAndWrite(DerReader({input, size}), writer, 0)) std::abort();
        std::size_t written = 0;
        if (writer.Finish(written) != DerStatus::kOk || written != size ||
            (size != 0 && std::memcmp(out, input, size) != 0)) {
            std::abort();
        }
        std::free(out);
    }
    std::free(input);
    return 0;
}
