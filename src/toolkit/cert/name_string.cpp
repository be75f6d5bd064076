#include "toolkit/cert/name_string.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "der/der_oid.h"
#include "support/checked_alloc.h"
#include "support/hex.h"
#include "support/owned_block.h"
#include "support/text_sink.h"

namespace quillon::toolkit::cert {
namespace {

using Bytes = std::span<const std::uint8_t>;
using der::DerOidConstant;
using der::MakeDerOid;
namespace tag = der::der_universal;

struct ShortName {
    DerOidConstant type;
    const char* name;
};

// The attribute types that have a short name (X.520, RFC 4519, PKCS #9 emailAddress).
constexpr ShortName kShortNames[] = {
    {MakeDerOid("2.5.4.3"), "cn"},
    {MakeDerOid("2.5.4.7"), "l"},
    {MakeDerOid("2.5.4.8"), "st"},
    {MakeDerOid("2.5.4.10"), "o"},
    {MakeDerOid("2.5.4.11"), "ou"},
    {MakeDerOid("2.5.4.6"), "c"},
    {MakeDerOid("2.5.4.9"), "street"},
    {MakeDerOid("0.9.2342.19200300.100.1.25"), "dc"},
    {MakeDerOid("2.5.4.5"), "serialNumber"},
    {MakeDerOid("2.5.4.12"), "title"},
    {MakeDerOid("2.5.4.17"), "postalCode"},
    {MakeDerOid("1.2.840.113549.1.9.1"), "e"},
    {MakeDerOid("2.5.4.46"), "dnQualifier"},
    {MakeDerOid("2.5.4.4"), "sn"},
    {MakeDerOid("2.5.4.42"), "givenName"},
    {MakeDerOid("2.5.4.43"), "initials"},
    {MakeDerOid("2.5.4.44"), "generationQualifier"},
    {MakeDerOid("2.5.4.41"), "name"},
};

consteval bool AllShortNamesValid() {
    for (const ShortName& entry : kShortNames) {
        if (entry.type.size == 0) return false;
    }
    return true;
}
static_assert(AllShortNamesValid());

const char* FindShortName(Bytes type) {
    for (const ShortName& entry : kShortNames) {
        if (der::DerOidEquals(type, entry.type)) return entry.name;
    }
    return nullptr;
}

// The text is counted first (a sink without a buffer), then written into a block of that size.
using support::TextSink;

void PutUtf8(TextSink& sink, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        sink.Put(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        sink.Put(static_cast<char>(0xC0 | codePoint >> 6));
        sink.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        sink.Put(static_cast<char>(0xE0 | codePoint >> 12));
        sink.Put(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        sink.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        sink.Put(static_cast<char>(0xF0 | codePoint >> 18));
        sink.Put(static_cast<char>(0x80 | (codePoint >> 12 & 0x3F)));
        sink.Put(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        sink.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

void PutHex(TextSink& sink, Bytes bytes) {
    for (const std::uint8_t byte : bytes) {
        sink.Put(support::HexDigit(byte >> 4, support::HexCase::kLower));
        sink.Put(support::HexDigit(byte & 15u, support::HexCase::kLower));
    }
}

// ---- Object identifiers in dotted decimal --------------------------------------------------

// Arcs of any size are written (UUID arcs under 2.25 have 128 bits); a type is valid contents,
// the name's reader checked it.
CertStatus PutOidText(TextSink& sink, Bytes oid) {
    std::size_t length = 0;
    const der::DerStatus status = der::DerOidToText(oid, sink.Rest(), length);
    // A counting sink has no room: the length is all it needs.
    if (status != der::DerStatus::kOk && status != der::DerStatus::kBufferTooSmall) {
        return kCertOutOfMemory;
    }
    sink.Skip(length);
    return kCertOk;
}

// ---- Values ----------------------------------------------------------------------------------

enum class ValueForm {
    kUtf8,       // UTF8String: bytes copied as they are
    kPrintable,  // leading spaces dropped, runs of spaces reduced to one
    kBmp,        // UTF-16 big-endian with surrogate pairs
    kUniversal,  // UCS-4 big-endian
    kByte,       // every other string type: each byte is the code point of its value
    kNotString,  // not a character string: written as "#" and the hex of its DER
};

ValueForm FormOf(const der::DerTag& valueTag) {
    if (valueTag.tagClass != der::DerClass::kUniversal || valueTag.constructed) {
        return ValueForm::kNotString;
    }
    switch (valueTag.number) {
        case tag::kUtf8String:
            return ValueForm::kUtf8;
        case tag::kPrintableString:
            return ValueForm::kPrintable;
        case tag::kBmpString:
            return ValueForm::kBmp;
        case tag::kUniversalString:
            return ValueForm::kUniversal;
        case tag::kNumericString:
        case tag::kT61String:
        case 21:  // VideotexString
        case tag::kIa5String:
        case 25:  // GraphicString
        case tag::kVisibleString:
        case 27:  // GeneralString
            return ValueForm::kByte;
        default:
            return ValueForm::kNotString;
    }
}

// The characters of a string value in order: code points, or for UTF8String single bytes.
class ValueCharacters {
  public:
    ValueCharacters(ValueForm form, Bytes contents) : form_(form), contents_(contents) {
        if (form_ == ValueForm::kPrintable) {
            while (at_ < contents_.size() && contents_[at_] == ' ') ++at_;
        }
    }

    // False at the end of the value or at a malformed character (status tells which).
    bool Next(std::uint32_t& character) {
        if (at_ >= contents_.size()) return false;
        switch (form_) {
            case ValueForm::kPrintable:
                character = contents_[at_++];
                if (character == ' ') {
                    while (at_ < contents_.size() && contents_[at_] == ' ') ++at_;
                }
                return true;
            case ValueForm::kBmp:
                return NextBmp(character);
            case ValueForm::kUniversal:
                return NextUniversal(character);
            default:
                character = contents_[at_++];
                return true;
        }
    }

    [[nodiscard]] CertStatus status() const { return status_; }

  private:
    std::uint32_t Unit16() {
        const std::uint32_t unit =
            static_cast<std::uint32_t>(contents_[at_]) << 8 | contents_[at_ + 1];
        at_ += 2;
        return unit;
    }

    bool NextBmp(std::uint32_t& character) {
        if (contents_.size() - at_ < 2) return Fail();
        const std::uint32_t unit = Unit16();
        if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail();
        if (unit < 0xD800 || unit > 0xDBFF) {
            character = unit;
            return true;
        }
        if (contents_.size() - at_ < 2) return Fail();
        const std::uint32_t low = Unit16();
        if (low < 0xDC00 || low > 0xDFFF) return Fail();
        character = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        return true;
    }

    bool NextUniversal(std::uint32_t& character) {
        if (contents_.size() - at_ < 4) return Fail();
        character = 0;
        for (int i = 0; i < 4; ++i) character = character << 8 | contents_[at_++];
        if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return Fail();
        return true;
    }

    bool Fail() {
        status_ = kCertBadData;
        at_ = contents_.size();
        return false;
    }

    ValueForm form_;
    Bytes contents_;
    std::size_t at_ = 0;
    CertStatus status_ = kCertOk;
};

bool NeedsEscape(std::uint32_t character) {
    switch (character) {
        case ',':
        case '+':
        case '=':
        case '"':
        case '>':
        case '<':
        case ';':
        case '\\':
            return true;
        default:
            return false;
    }
}

CertStatus PutValue(TextSink& sink, ValueForm form, Bytes contents) {
    // Escaping a space depends on whether it ends the value, so count the characters first.
    std::size_t count = 0;
    std::uint32_t character = 0;
    ValueCharacters counter(form, contents);
    while (counter.Next(character)) ++count;
    if (counter.status() != kCertOk) return counter.status();

    ValueCharacters characters(form, contents);
    for (std::size_t i = 0; characters.Next(character); ++i) {
        const bool edgeSpace = character == ' ' && (i == 0 || i + 1 == count);
        if (character == 0) {
            // A zero byte would end the text early and hide the rest of the name.
            sink.Put("\\00");
            continue;
        }
        if (NeedsEscape(character) || edgeSpace || (character == '#' && i == 0)) sink.Put('\\');
        if (form == ValueForm::kUtf8) {
            sink.Put(static_cast<char>(character));
        } else {
            PutUtf8(sink, character);
        }
    }
    return kCertOk;
}

CertStatus PutEntry(TextSink& sink, const NameEntry& entry) {
    const char* shortName = FindShortName(entry.type);
    if (shortName == nullptr) {
        if (const CertStatus status = PutOidText(sink, entry.type); status != kCertOk) {
            return status;
        }
        sink.Put("=#");
        PutHex(sink, entry.value.encoding);
        return kCertOk;
    }
    sink.Put(shortName);
    sink.Put('=');
    const ValueForm form = FormOf(entry.value.tag);
    if (form == ValueForm::kNotString) {
        sink.Put('#');
        PutHex(sink, entry.value.encoding);
        return kCertOk;
    }
    return PutValue(sink, form, entry.value.contents);
}

CertStatus PutName(TextSink& sink, std::span<const NameEntry> entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i != 0) sink.Put(entries[i].beginsRdn ? ',' : '+');
        if (const CertStatus status = PutEntry(sink, entries[i]); status != kCertOk) return status;
    }
    return kCertOk;
}

}  // namespace

CertStatus NameToString(std::span<const NameEntry> entries, char** text) {
    *text = nullptr;
    TextSink measure(nullptr, 0);
    if (const CertStatus status = PutName(measure, entries); status != kCertOk) return status;
    support::OwnedArray<char> out(support::NewArray<char>(measure.size() + 1));
    if (out == nullptr) return kCertOutOfMemory;
    TextSink writer(out, measure.size());
    if (const CertStatus status = PutName(writer, entries); status != kCertOk) return status;
    out.get()[writer.size()] = '\0';
    out.HandOut(text);
    return kCertOk;
}

}  // namespace quillon::toolkit::cert
