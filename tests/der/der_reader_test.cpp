#include "der/der_reader.h"

#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <random>
#include <string>

#include "common/vector_file.h"
#include "der/der_oid.h"
#include "der/openssl_der_fixtures.h"

namespace quillon::der {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;
using Span = std::span<const std::uint8_t>;

Bytes Hex(std::string text) {
    std::erase(text, ' ');
    return FromHex(text);
}

Bytes Repeat(std::uint8_t byte, size_t count) {
    return Bytes(count, byte);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string ToHex(Span bytes) {
    return test::ToHex(bytes.data(), bytes.size());
}

TEST(DerReader, HeadersTable) {
    struct Case {
        const char* what;
        Bytes input;
        DerStatus status;
        DerTag tag = {};
        size_t contentSize = 0;
    } const cases[] = {
        {"empty input", {}, DerStatus::kTruncated},
        {"tag without length", Hex("30"), DerStatus::kTruncated},
        {"indefinite length", Hex("30 80 00 00"), DerStatus::kIndefiniteLength},
        {"long form for a short length", Hex("04 81 05 0102030405"), DerStatus::kNonMinimalLength},
        {"long form with a leading zero", Concat({Hex("04 82 0080"), Repeat(1, 128)}),
         DerStatus::kNonMinimalLength},
        {"length octets missing", Hex("04 82 01"), DerStatus::kTruncated},
        {"length past the end", Hex("04 05 0102"), DerStatus::kLengthPastEnd},
        {"huge length past the end", Hex("04 84 FFFFFFFF 00"), DerStatus::kLengthPastEnd},
        {"five length octets", Hex("04 85 0100000000"), DerStatus::kLengthTooLarge},
        {"eight length octets", Hex("04 88 0000000000000001 00"), DerStatus::kLengthTooLarge},
        {"reserved length octet", Hex("04 FF"), DerStatus::kLengthTooLarge},
        {"high tag without number", Hex("1F"), DerStatus::kTruncated},
        {"high tag that never ends", Hex("9F 81"), DerStatus::kTruncated},
        {"high tag for a low number", Hex("9F 1E 00"), DerStatus::kBadTag},
        {"high tag with a leading zero group", Hex("9F 80 1F 00"), DerStatus::kBadTag},
        {"high tag of five groups", Hex("9F 81 80 80 80 01 00"), DerStatus::kBadTag},
        {"end-of-contents", Hex("00 00"), DerStatus::kBadTag},
        {"constructed OCTET STRING", Hex("24 00"), DerStatus::kBadTag},
        {"constructed UTF8String", Hex("2C 00"), DerStatus::kBadTag},
        {"primitive SEQUENCE", Hex("10 00"), DerStatus::kBadTag},
        {"primitive SET", Hex("11 00"), DerStatus::kBadTag},
        {"empty SEQUENCE", Hex("30 00"), DerStatus::kOk, kDerSequence, 0},
        {"short form 127", Concat({Hex("04 7F"), Repeat(2, 127)}), DerStatus::kOk, kDerOctetString,
         127},
        {"long form 128", Concat({Hex("04 81 80"), Repeat(2, 128)}), DerStatus::kOk,
         kDerOctetString, 128},
        {"long form 256", Concat({Hex("04 82 0100"), Repeat(2, 256)}), DerStatus::kOk,
         kDerOctetString, 256},
        {"context [31]", Hex("9F 1F 00"), DerStatus::kOk, DerContext(31, false), 0},
        {"context [128] constructed", Hex("BF 81 00 00"), DerStatus::kOk, DerContext(128, true), 0},
        {"largest tag number",
         Hex("5F FF FF FF 7F 01 AA"),
         DerStatus::kOk,
         {DerClass::kApplication, false, kDerMaxTagNumber},
         1},
        {"private class", Hex("C1 00"), DerStatus::kOk, {DerClass::kPrivate, false, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DerReader reader(c.input);
        DerElement element;
        EXPECT_EQ(reader.ReadElement(element), c.status);
        if (c.status == DerStatus::kOk) {
            EXPECT_EQ(element.tag, c.tag);
            EXPECT_EQ(element.contents.size(), c.contentSize);
            EXPECT_EQ(element.encoding.size(), c.input.size());
            EXPECT_EQ(element.encoding.data(), c.input.data());
            EXPECT_TRUE(reader.empty());
        } else {
            // A failed read does not move.
            EXPECT_EQ(reader.remaining(), c.input.size());
        }
    }
}

TEST(DerReader, TrailingBytesAndTagExpectations) {
    const Bytes input = Hex("30 05 02 01 05 05 00 04 FF 00");
    DerReader reader(input);
    DerReader sequence;
    ASSERT_EQ(reader.ReadSequence(sequence), DerStatus::kOk);
    std::int64_t value = 0;
    EXPECT_EQ(sequence.ReadNull(), DerStatus::kUnexpectedTag);
    ASSERT_EQ(sequence.ReadSmallInteger(value), DerStatus::kOk);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(sequence.ExpectEnd(), DerStatus::kTrailingBytes);
    ASSERT_EQ(sequence.ReadNull(), DerStatus::kOk);
    EXPECT_EQ(sequence.ExpectEnd(), DerStatus::kOk);
    // The byte after the sequence is no element; the reader reports it and stays put.
    EXPECT_EQ(reader.ExpectEnd(), DerStatus::kTrailingBytes);
    DerElement element;
    EXPECT_EQ(reader.ReadElement(element), DerStatus::kLengthTooLarge);
    EXPECT_EQ(reader.remaining(), 3u);

    // Asking a primitive tag for a constructed reader is refused.
    DerReader other(input);
    EXPECT_EQ(other.ReadConstructed(kDerInteger, sequence), DerStatus::kUnexpectedTag);
}

TEST(DerReader, OptionalElements) {
    const Bytes input = Hex("A0 03 02 01 02 02 01 07");
    DerReader reader(input);
    DerElement element;
    bool present = true;
    EXPECT_EQ(reader.ReadOptional(DerContext(1, true), element, present), DerStatus::kOk);
    EXPECT_FALSE(present);
    ASSERT_EQ(reader.ReadOptional(DerContext(0, true), element, present), DerStatus::kOk);
    EXPECT_TRUE(present);
    EXPECT_EQ(ToHex(element.contents), "020102");
    ASSERT_EQ(reader.ReadOptional(kDerInteger, element, present), DerStatus::kOk);
    EXPECT_TRUE(present);
    EXPECT_EQ(reader.ReadOptional(kDerInteger, element, present), DerStatus::kOk);
    EXPECT_FALSE(present);

    // A broken element where an optional one may stand is an error, not an absence.
    struct Broken {
        const char* input;
        DerTag asked;
    } const broken[] = {
        {"1F", DerContext(3, true)}, {"30 80 00 00", kDerSequence}, {"02 05 01", kDerInteger}};
    for (const Broken& c : broken) {
        SCOPED_TRACE(c.input);
        const Bytes bad = Hex(c.input);
        DerReader badReader(bad);
        EXPECT_NE(badReader.ReadOptional(c.asked, element, present), DerStatus::kOk);
        EXPECT_FALSE(present);
        EXPECT_EQ(badReader.remaining(), bad.size());
    }
}

TEST(DerReader, IntegersTable) {
    struct Case {
        const char* input;
        DerStatus signedStatus;    // ReadInteger
        DerStatus unsignedStatus;  // ReadUnsignedInteger
        const char* magnitude;     // its result
        DerStatus smallStatus;     // ReadSmallInteger
        std::int64_t value;        // its result
    } const cases[] = {
        {"02 00", DerStatus::kNonMinimalInteger, DerStatus::kNonMinimalInteger, "",
         DerStatus::kNonMinimalInteger, 0},
        {"02 01 00", DerStatus::kOk, DerStatus::kOk, "00", DerStatus::kOk, 0},
        {"02 02 00 00", DerStatus::kNonMinimalInteger, DerStatus::kNonMinimalInteger, "",
         DerStatus::kNonMinimalInteger, 0},
        {"02 02 00 7F", DerStatus::kNonMinimalInteger, DerStatus::kNonMinimalInteger, "",
         DerStatus::kNonMinimalInteger, 0},
        {"02 02 00 80", DerStatus::kOk, DerStatus::kOk, "80", DerStatus::kOk, 128},
        {"02 01 7F", DerStatus::kOk, DerStatus::kOk, "7F", DerStatus::kOk, 127},
        {"02 01 80", DerStatus::kOk, DerStatus::kNegativeInteger, "", DerStatus::kOk, -128},
        {"02 01 FF", DerStatus::kOk, DerStatus::kNegativeInteger, "", DerStatus::kOk, -1},
        {"02 02 FF 80", DerStatus::kNonMinimalInteger, DerStatus::kNonMinimalInteger, "",
         DerStatus::kNonMinimalInteger, 0},
        {"02 02 FF 7F", DerStatus::kOk, DerStatus::kNegativeInteger, "", DerStatus::kOk, -129},
        {"02 08 7FFFFFFFFFFFFFFF", DerStatus::kOk, DerStatus::kOk, "7FFFFFFFFFFFFFFF",
         DerStatus::kOk, INT64_MAX},
        {"02 08 8000000000000000", DerStatus::kOk, DerStatus::kNegativeInteger, "", DerStatus::kOk,
         INT64_MIN},
        {"02 09 00 8000000000000000", DerStatus::kOk, DerStatus::kOk, "8000000000000000",
         DerStatus::kIntegerTooLarge, 0},
        {"0A 01 01", DerStatus::kUnexpectedTag, DerStatus::kUnexpectedTag, "",
         DerStatus::kUnexpectedTag, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const Bytes input = Hex(c.input);
        Span contents;
        DerReader a(input), b(input), d(input);
        EXPECT_EQ(a.ReadInteger(contents), c.signedStatus);
        if (c.signedStatus == DerStatus::kOk) {
            EXPECT_EQ(contents.size(), input.size() - 2);
        }
        Span magnitude;
        EXPECT_EQ(b.ReadUnsignedInteger(magnitude), c.unsignedStatus);
        if (c.unsignedStatus == DerStatus::kOk) {
            EXPECT_EQ(ToHex(magnitude), c.magnitude);
        }
        std::int64_t value = 99;
        EXPECT_EQ(d.ReadSmallInteger(value), c.smallStatus);
        if (c.smallStatus == DerStatus::kOk) {
            EXPECT_EQ(value, c.value);
        }
        EXPECT_EQ(a.empty(), c.signedStatus == DerStatus::kOk);
        EXPECT_EQ(d.empty(), c.smallStatus == DerStatus::kOk);
    }

    // IMPLICIT tagging: the same contents rules under a context tag.
    const Bytes implicit = Hex("80 01 05");
    DerReader reader(implicit);
    std::int64_t value = 0;
    ASSERT_EQ(reader.ReadSmallInteger(value, DerContext(0, false)), DerStatus::kOk);
    EXPECT_EQ(value, 5);
}

TEST(DerReader, SimpleTypesTable) {
    enum class Kind { kBoolean, kNull, kBitString, kBitStringBytes, kOid, kOctetString };
    struct Case {
        Kind kind;
        const char* input;
        DerStatus status;
        const char* result = "";  // contents read, or "T"/"F" for a boolean
        std::uint8_t unusedBits = 0;
    } const cases[] = {
        {Kind::kBoolean, "01 01 FF", DerStatus::kOk, "T"},
        {Kind::kBoolean, "01 01 00", DerStatus::kOk, "F"},
        {Kind::kBoolean, "01 01 01", DerStatus::kBadContents},
        {Kind::kBoolean, "01 00", DerStatus::kBadContents},
        {Kind::kBoolean, "01 02 FF FF", DerStatus::kBadContents},
        {Kind::kNull, "05 00", DerStatus::kOk},
        {Kind::kNull, "05 01 00", DerStatus::kBadContents},
        {Kind::kBitString, "03 00", DerStatus::kBadContents},
        {Kind::kBitString, "03 01 00", DerStatus::kOk, ""},
        {Kind::kBitString, "03 01 01", DerStatus::kBadContents},
        {Kind::kBitString, "03 02 08 00", DerStatus::kBadContents},
        {Kind::kBitString, "03 02 01 01", DerStatus::kBadContents},
        {Kind::kBitString, "03 02 01 02", DerStatus::kOk, "02", 1},
        {Kind::kBitString, "03 03 07 FF 80", DerStatus::kOk, "FF80", 7},
        {Kind::kBitStringBytes, "03 02 01 02", DerStatus::kBadContents},
        {Kind::kBitStringBytes, "03 03 00 AB CD", DerStatus::kOk, "ABCD"},
        {Kind::kOid, "06 00", DerStatus::kBadContents},
        {Kind::kOid, "06 01 81", DerStatus::kBadContents},
        {Kind::kOid, "06 03 2A 80 01", DerStatus::kBadContents},
        {Kind::kOid, "06 02 80 01", DerStatus::kBadContents},
        {Kind::kOid, "06 03 2A 86 48", DerStatus::kOk, "2A8648"},
        {Kind::kOctetString, "04 00", DerStatus::kOk, ""},
        {Kind::kOctetString, "04 02 00 01", DerStatus::kOk, "0001"},
        {Kind::kOctetString, "05 00", DerStatus::kUnexpectedTag},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const Bytes input = Hex(c.input);
        DerReader reader(input);
        Span contents;
        std::string result;
        std::uint8_t unused = 99;
        DerStatus status = DerStatus::kOk;
        switch (c.kind) {
            case Kind::kBoolean: {
                bool value = false;
                status = reader.ReadBoolean(value);
                result = value ? "T" : "F";
                break;
            }
            case Kind::kNull:
                status = reader.ReadNull();
                break;
            case Kind::kBitString:
                status = reader.ReadBitString(contents, unused);
                break;
            case Kind::kBitStringBytes:
                status = reader.ReadBitStringBytes(contents);
                unused = 0;
                break;
            case Kind::kOid:
                status = reader.ReadOid(contents);
                break;
            case Kind::kOctetString:
                status = reader.ReadOctetString(contents);
                break;
        }
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(reader.empty(), status == DerStatus::kOk);
        if (status != DerStatus::kOk) continue;
        if (c.kind == Kind::kBoolean) {
            EXPECT_EQ(result, c.result);
        } else if (c.kind != Kind::kNull) {
            EXPECT_EQ(ToHex(contents), c.result);
        }
        if (c.kind == Kind::kBitString) {
            EXPECT_EQ(unused, c.unusedBits);
        }
    }
}

TEST(DerReader, TimesTable) {
    // valid: in DER; validWithoutSeconds: where UTCTime may lack its seconds (certificates).
    struct Case {
        const char* text;
        bool generalized;
        bool valid;
        DerTime time = {};
        bool validWithoutSeconds = valid;
    } const cases[] = {
        {"2501020304Z", false, false, {2025, 1, 2, 3, 4, 0}, true},  // no seconds
        {"4912312359Z", false, false, {2049, 12, 31, 23, 59, 0}, true},
        {"2501020360Z", false, false},      // minute 60, no seconds
        {"250102030Z", false, false},       // one digit short
        {"250102030Z0", false, false},      // zone not last
        {"202501020304Z", true, false},     // GeneralizedTime keeps its seconds
        {"2501020304+0100", false, false},  // offset, no seconds
        {"250102030405Z", false, true, {2025, 1, 2, 3, 4, 5}},
        {"491231235959Z", false, true, {2049, 12, 31, 23, 59, 59}},
        {"500101000000Z", false, true, {1950, 1, 1, 0, 0, 0}},
        {"20240229120000Z", true, true, {2024, 2, 29, 12, 0, 0}},
        {"20000229000000Z", true, true, {2000, 2, 29, 0, 0, 0}},
        {"99991231235959Z", true, true, {9999, 12, 31, 23, 59, 59}},
        {"250102030405+0100", false, false},  // offset
        {"250102030405z", false, false},      // lower-case zone
        {"250102030405", false, false},       // no zone
        {"20250229000000Z", true, false},     // 2025 is no leap year
        {"19000229000000Z", true, false},     // nor is 1900
        {"20251301000000Z", true, false},     // month 13
        {"20250100000000Z", true, false},     // day 0
        {"20250431000000Z", true, false},     // 31 April
        {"20250101240000Z", true, false},     // hour 24
        {"20250101006000Z", true, false},     // minute 60
        {"20250101000060Z", true, false},     // second 60
        {"20250101000000.5Z", true, false},   // fraction
        {"2025010100000Z", true, false},      // short
        {"20250101000000Z", false, false},    // four-digit year in a UTCTime
        {"2025-1010000000Z", true, false},    // not a digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = c.text;
        Bytes input = {static_cast<std::uint8_t>(c.generalized ? 0x18 : 0x17),
                       static_cast<std::uint8_t>(text.size())};
        input.insert(input.end(), text.begin(), text.end());
        for (const auto form : {DerTimeForm::kDer, DerTimeForm::kUtcSecondsOptional}) {
            const bool valid = form == DerTimeForm::kDer ? c.valid : c.validWithoutSeconds;
            DerReader reader(input);
            DerTime time;
            EXPECT_EQ(reader.ReadTime(time, form), valid ? DerStatus::kOk : DerStatus::kBadContents)
                << static_cast<int>(form);
            if (valid) {
                EXPECT_EQ(time, c.time);
            }
        }
    }
    const Bytes notATime = Hex("04 00");
    DerReader reader(notATime);
    DerTime time;
    EXPECT_EQ(reader.ReadTime(time), DerStatus::kUnexpectedTag);
    EXPECT_LT((DerTime{2049, 12, 31, 23, 59, 59}), (DerTime{2050, 1, 1, 0, 0, 0}));
    EXPECT_LT((DerTime{2025, 1, 1, 0, 0, 1}), (DerTime{2025, 1, 1, 0, 1, 0}));
}

// True when an arc of dotted text does not fit 64 bits.
bool HasArcBeyond64Bits(const std::string& text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('.', start);
        if (end == std::string::npos) end = text.size();
        const std::string arc = text.substr(start, end - start);
        if (arc.size() > 20 || (arc.size() == 20 && arc > "18446744073709551615")) return true;
        start = end + 1;
    }
    return false;
}

TEST(DerOid, TextTable) {
    struct Case {
        const char* contents;
        DerStatus status;
        const char* text;
    } const cases[] = {
        {"2A864886F70D010101", DerStatus::kOk, "1.2.840.113549.1.1.1"},
        {"55080101", DerStatus::kOk, "2.5.8.1.1"},
        {"00", DerStatus::kOk, "0.0"},
        {"27", DerStatus::kOk, "0.39"},
        {"28", DerStatus::kOk, "1.0"},
        {"4F", DerStatus::kOk, "1.39"},
        {"50", DerStatus::kOk, "2.0"},
        {"8837", DerStatus::kOk, "2.999"},
        {"2A81FFFFFFFFFFFFFFFF7F", DerStatus::kOk, "1.2.18446744073709551615"},
        // Arcs beyond 64 bits: 2^71, a UUID arc, and 2^64 + 80 in the first subidentifier.
        {"2A8280808080808080808000", DerStatus::kOk, "1.2.2361183241434822606848"},
        {"6981D7A7DC8493DAE8C7A380DA809884FED0E148", DerStatus::kOk,
         "2.25.143098242404177361603877621312831893704"},
        {"82808080808080808050", DerStatus::kOk, "2.18446744073709551616"},
        {"", DerStatus::kBadContents, ""},
        {"2A86", DerStatus::kBadContents, ""},
        {"2A8001", DerStatus::kBadContents, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents);
        const Bytes contents = FromHex(c.contents);
        char text[64];
        size_t length = 99;
        EXPECT_EQ(DerOidToText(contents, text, length), c.status);
        if (c.status != DerStatus::kOk) {
            EXPECT_EQ(length, 0u);
            continue;
        }
        EXPECT_EQ(std::string(text, length), c.text);

        // Measure, then a buffer one short is refused and holds all but the last character.
        EXPECT_EQ(DerOidToText(contents, {}, length), DerStatus::kBufferTooSmall);
        EXPECT_EQ(length, std::string(c.text).size());
        std::string tight(length - 1, '#');
        EXPECT_EQ(DerOidToText(contents, {tight.data(), tight.size()}, length),
                  DerStatus::kBufferTooSmall);
        EXPECT_EQ(length, std::string(c.text).size());
        EXPECT_EQ(tight, std::string(c.text).substr(0, length - 1));

        // Back to contents, where every arc fits 64 bits (the writer's limit).
        Bytes encoded(32);
        size_t size = 0;
        const DerStatus back = DerOidFromText(c.text, encoded, size);
        if (HasArcBeyond64Bits(c.text)) {
            EXPECT_EQ(back, DerStatus::kInvalidArgument);
            continue;
        }
        ASSERT_EQ(back, DerStatus::kOk);
        encoded.resize(size);
        EXPECT_EQ(encoded, contents);
    }
    static_assert(kOidRsaEncryption.size == 9 && kOidX500Rsa.size == 4);
    static_assert(kOidPkcs7SignedData.contents().back() == 0x02);
}

TEST(DerOid, TextThatIsNoObjectIdentifier) {
    for (const char* text :
         {"", "1", "1.", ".1", "3.1", "1.40", "0.40", "1..2", "1.02", "01.2", "1.2a", "1.2 ",
          "-1.2", "1.2.18446744073709551616", "2.18446744073709551536"}) {
        SCOPED_TRACE(text);
        size_t size = 0;
        std::uint8_t out[32];
        EXPECT_EQ(DerOidFromText(text, out, size), DerStatus::kInvalidArgument);
        EXPECT_EQ(MakeDerOid(text).size, 0u);
    }
    size_t size = 0;
    EXPECT_EQ(DerOidFromText("2.18446744073709551535", {}, size), DerStatus::kBufferTooSmall);
    EXPECT_EQ(size, 10u);
}

// Random object identifiers: our text-to-contents and contents-to-text against OpenSSL's.
TEST(DerOid, AgreesWithOpenSsl) {
    std::mt19937_64 random(690);
    for (int trial = 0; trial < 300; ++trial) {
        const std::uint64_t first = random() % 3;
        std::string text = std::to_string(first) + "." +
                           std::to_string(first < 2 ? random() % 40 : random() % 100000);
        const int more = static_cast<int>(random() % 8);
        for (int i = 0; i < more; ++i) {
            const int bits = 1 + static_cast<int>(random() % 63);
            text += "." + std::to_string(random() >> (64 - bits));
        }
        SCOPED_TRACE(text);
        ASN1_OBJECT* object = OBJ_txt2obj(text.c_str(), 1);
        ASSERT_NE(object, nullptr);
        const Bytes expected(OBJ_get0_data(object), OBJ_get0_data(object) + OBJ_length(object));
        char openSslText[256];
        OBJ_obj2txt(openSslText, sizeof openSslText, object, 1);
        ASN1_OBJECT_free(object);

        Bytes contents(64);
        size_t size = 0;
        ASSERT_EQ(DerOidFromText(text, contents, size), DerStatus::kOk);
        contents.resize(size);
        EXPECT_EQ(ToHex(contents), test::ToHex(expected));
        char ours[256];
        size_t length = 0;
        ASSERT_EQ(DerOidToText(expected, ours, length), DerStatus::kOk);
        EXPECT_EQ(std::string(ours, length), openSslText);
    }
}

// Arcs of 65 to 400 bits (UUID arcs have 128), in the first subidentifier too: our text against
// OpenSSL's, which goes through its big numbers.
TEST(DerOid, LongArcsAgreeWithOpenSsl) {
    std::mt19937_64 random(2025);
    for (int trial = 0; trial < 100; ++trial) {
        Bytes contents;
        const int arcs = 1 + static_cast<int>(random() % 4);
        for (int arc = 0; arc < arcs; ++arc) {
            // Base-128 digits, the first not zero; a short arc now and then between long ones.
            const int digits = arc % 2 == 1 ? 1 : 10 + static_cast<int>(random() % 48);
            contents.push_back(static_cast<std::uint8_t>(0x80 | (1 + random() % 127)));
            for (int i = 1; i < digits; ++i) contents.push_back(0x80 | (random() & 0x7F));
            contents.back() &= 0x7F;
        }
        SCOPED_TRACE(ToHex(contents));
        // An OBJECT IDENTIFIER element around the contents, for OpenSSL's decoder.
        ASSERT_LT(contents.size(), 128u);
        Bytes der = {0x06, static_cast<std::uint8_t>(contents.size())};
        der.insert(der.end(), contents.begin(), contents.end());
        const unsigned char* at = der.data();
        ASN1_OBJECT* object = d2i_ASN1_OBJECT(nullptr, &at, static_cast<long>(der.size()));
        ASSERT_NE(object, nullptr);
        char openSslText[1024];
        ASSERT_LT(OBJ_obj2txt(openSslText, sizeof openSslText, object, 1),
                  static_cast<int>(sizeof openSslText));
        ASN1_OBJECT_free(object);
        std::string ours(1024, '\0');
        size_t length = 0;
        ASSERT_EQ(DerOidToText(contents, {ours.data(), ours.size()}, length), DerStatus::kOk);
        ours.resize(length);
        EXPECT_EQ(ours, openSslText);
    }
}

// Random INTEGERs encoded by OpenSSL read back as the same values.
TEST(DerReader, IntegersAgreeWithOpenSsl) {
    std::mt19937_64 random(8825);
    for (int trial = 0; trial < 300; ++trial) {
        const int shift = static_cast<int>(random() % 64);
        const auto value = static_cast<std::int64_t>(random()) >> shift;
        ASN1_INTEGER* integer = ASN1_INTEGER_new();
        ASN1_INTEGER_set_int64(integer, value);
        const Bytes der = test::I2d(i2d_ASN1_INTEGER(integer, nullptr), [&](unsigned char** at) {
            return i2d_ASN1_INTEGER(integer, at);
        });
        ASN1_INTEGER_free(integer);
        DerReader reader(der);
        std::int64_t read = 0;
        ASSERT_EQ(reader.ReadSmallInteger(read), DerStatus::kOk) << test::ToHex(der);
        EXPECT_EQ(read, value);
    }
}

std::string OidText(Span contents) {
    char text[128];
    size_t length = 0;
    EXPECT_EQ(DerOidToText(contents, text, length), DerStatus::kOk);
    return {text, length};
}

// An X.509 certificate made by OpenSSL, walked field by field as the certificate layer reads
// it, against what OpenSSL reports.
TEST(DerReader, ReadsAnOpenSslCertificate) {
    const auto& fixture = test::OpenSslDerFixture::Get();
    DerReader input(fixture.certificateDer);
    DerReader certificate, tbs, algorithm, name, validity, spki;
    ASSERT_EQ(input.ReadSequence(certificate), DerStatus::kOk);
    EXPECT_EQ(input.ExpectEnd(), DerStatus::kOk);
    DerElement tbsElement;
    ASSERT_EQ(certificate.Read(kDerSequence, tbsElement), DerStatus::kOk);
    tbs = DerReader(tbsElement.contents);

    DerReader version;
    std::int64_t versionNumber = -1;
    ASSERT_EQ(tbs.ReadConstructed(DerContext(0, true), version), DerStatus::kOk);
    ASSERT_EQ(version.ReadSmallInteger(versionNumber), DerStatus::kOk);
    EXPECT_EQ(versionNumber, 2);
    Span serial;
    ASSERT_EQ(tbs.ReadUnsignedInteger(serial), DerStatus::kOk);
    EXPECT_EQ(ToHex(serial), "C0FFEE0123456789ABCDEF");

    DerElement innerAlgorithm;
    ASSERT_EQ(tbs.Read(kDerSequence, innerAlgorithm), DerStatus::kOk);
    algorithm = DerReader(innerAlgorithm.contents);
    Span oid;
    ASSERT_EQ(algorithm.ReadOid(oid), DerStatus::kOk);
    EXPECT_EQ(OidText(oid), "1.2.840.113549.1.1.11");
    ASSERT_EQ(algorithm.ReadNull(), DerStatus::kOk);
    EXPECT_EQ(algorithm.ExpectEnd(), DerStatus::kOk);

    // Issuer and subject: RDNs in order, the second with two entries.
    const auto readName = [&](DerReader& reader) {
        std::vector<std::string> rdns;
        DerReader rdnSequence;
        EXPECT_EQ(reader.ReadSequence(rdnSequence), DerStatus::kOk);
        while (!rdnSequence.empty()) {
            DerReader set;
            EXPECT_EQ(rdnSequence.ReadSet(set), DerStatus::kOk);
            std::string rdn;
            while (!set.empty()) {
                DerReader attribute;
                EXPECT_EQ(set.ReadSequence(attribute), DerStatus::kOk);
                Span type;
                DerElement value;
                EXPECT_EQ(attribute.ReadOid(type), DerStatus::kOk);
                EXPECT_EQ(attribute.ReadElement(value), DerStatus::kOk);
                EXPECT_EQ(attribute.ExpectEnd(), DerStatus::kOk);
                rdn += (rdn.empty() ? "" : "+") + OidText(type) + "=" +
                       std::string(value.contents.begin(), value.contents.end());
            }
            rdns.push_back(rdn);
        }
        return rdns;
    };
    // OpenSSL puts the two-entry set in DER order: the shorter organisation entry first.
    const std::vector<std::string> expectedName = {
        "2.5.4.6=DE", "2.5.4.10=Quillon+2.5.4.3=Quillon Test, Root", "2.5.4.11= spaced  unit "};
    EXPECT_EQ(readName(tbs), expectedName);

    ASSERT_EQ(tbs.ReadSequence(validity), DerStatus::kOk);
    DerTime notBefore, notAfter;
    ASSERT_EQ(validity.ReadTime(notBefore), DerStatus::kOk);
    ASSERT_EQ(validity.ReadTime(notAfter), DerStatus::kOk);
    EXPECT_EQ(validity.ExpectEnd(), DerStatus::kOk);
    tm openSslNotBefore{};
    ASSERT_EQ(ASN1_TIME_to_tm(X509_get0_notBefore(fixture.certificate), &openSslNotBefore), 1);
    EXPECT_EQ(notBefore, (DerTime{static_cast<std::uint16_t>(openSslNotBefore.tm_year + 1900),
                                  static_cast<std::uint8_t>(openSslNotBefore.tm_mon + 1),
                                  static_cast<std::uint8_t>(openSslNotBefore.tm_mday),
                                  static_cast<std::uint8_t>(openSslNotBefore.tm_hour),
                                  static_cast<std::uint8_t>(openSslNotBefore.tm_min),
                                  static_cast<std::uint8_t>(openSslNotBefore.tm_sec)}));
    EXPECT_EQ(notAfter, (DerTime{2050, 1, 1, 0, 0, 0}));
    EXPECT_LT(notBefore, notAfter);

    EXPECT_EQ(readName(tbs), expectedName);

    // SubjectPublicKeyInfo: rsaEncryption and the RSAPublicKey inside the BIT STRING.
    ASSERT_EQ(tbs.ReadSequence(spki), DerStatus::kOk);
    DerReader keyAlgorithm;
    ASSERT_EQ(spki.ReadSequence(keyAlgorithm), DerStatus::kOk);
    ASSERT_EQ(keyAlgorithm.ReadOid(oid), DerStatus::kOk);
    EXPECT_TRUE(DerOidEquals(oid, kOidRsaEncryption));
    Span keyBits;
    ASSERT_EQ(spki.ReadBitStringBytes(keyBits), DerStatus::kOk);
    DerReader keyReader(keyBits), rsaKey;
    ASSERT_EQ(keyReader.ReadSequence(rsaKey), DerStatus::kOk);
    Span modulus, exponent;
    ASSERT_EQ(rsaKey.ReadUnsignedInteger(modulus), DerStatus::kOk);
    ASSERT_EQ(rsaKey.ReadUnsignedInteger(exponent), DerStatus::kOk);
    EXPECT_EQ(rsaKey.ExpectEnd(), DerStatus::kOk);
    EXPECT_EQ(ToHex(modulus), test::ToHex(fixture.KeyParameter(OSSL_PKEY_PARAM_RSA_N)));
    EXPECT_EQ(ToHex(exponent), "010001");

    // Extensions: [3] EXPLICIT SEQUENCE OF {OID, BOOLEAN DEFAULT FALSE, OCTET STRING}.
    DerReader explicitExtensions, extensions;
    ASSERT_EQ(tbs.ReadConstructed(DerContext(3, true), explicitExtensions), DerStatus::kOk);
    ASSERT_EQ(explicitExtensions.ReadSequence(extensions), DerStatus::kOk);
    std::vector<std::string> seen;
    while (!extensions.empty()) {
        DerReader extension;
        ASSERT_EQ(extensions.ReadSequence(extension), DerStatus::kOk);
        Span id, value;
        bool critical = false;
        ASSERT_EQ(extension.ReadOid(id), DerStatus::kOk);
        if (extension.NextIs(kDerBoolean)) {
            ASSERT_EQ(extension.ReadBoolean(critical), DerStatus::kOk);
        }
        ASSERT_EQ(extension.ReadOctetString(value), DerStatus::kOk);
        EXPECT_EQ(extension.ExpectEnd(), DerStatus::kOk);
        seen.push_back(OidText(id) + (critical ? "!" : ""));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"2.5.29.19!", "2.5.29.14", "2.5.29.15"}));
    EXPECT_EQ(tbs.ExpectEnd(), DerStatus::kOk);

    // The outer algorithm equals the inner one byte for byte; then the signature.
    DerElement outerAlgorithm;
    ASSERT_EQ(certificate.Read(kDerSequence, outerAlgorithm), DerStatus::kOk);
    EXPECT_EQ(ToHex(outerAlgorithm.encoding), ToHex(innerAlgorithm.encoding));
    Span signature;
    ASSERT_EQ(certificate.ReadBitStringBytes(signature), DerStatus::kOk);
    EXPECT_EQ(signature.size(), 128u);
    EXPECT_EQ(certificate.ExpectEnd(), DerStatus::kOk);
}

// A PKCS #8 PrivateKeyInfo made by OpenSSL: version 0, rsaEncryption, and the RSAPrivateKey
// inside the OCTET STRING with every component as OpenSSL holds it.
TEST(DerReader, ReadsAnOpenSslPkcs8Key) {
    const auto& fixture = test::OpenSslDerFixture::Get();
    DerReader input(fixture.pkcs8Der), info, algorithm, keyReader, key;
    ASSERT_EQ(input.ReadSequence(info), DerStatus::kOk);
    EXPECT_EQ(input.ExpectEnd(), DerStatus::kOk);
    std::int64_t version = -1;
    ASSERT_EQ(info.ReadSmallInteger(version), DerStatus::kOk);
    EXPECT_EQ(version, 0);
    ASSERT_EQ(info.ReadSequence(algorithm), DerStatus::kOk);
    Span oid, privateKey;
    ASSERT_EQ(algorithm.ReadOid(oid), DerStatus::kOk);
    EXPECT_TRUE(DerOidEquals(oid, kOidRsaEncryption));
    ASSERT_EQ(algorithm.ReadNull(), DerStatus::kOk);
    ASSERT_EQ(info.ReadOctetString(privateKey), DerStatus::kOk);
    EXPECT_EQ(info.ExpectEnd(), DerStatus::kOk);

    keyReader = DerReader(privateKey);
    ASSERT_EQ(keyReader.ReadSequence(key), DerStatus::kOk);
    EXPECT_EQ(keyReader.ExpectEnd(), DerStatus::kOk);
    ASSERT_EQ(key.ReadSmallInteger(version), DerStatus::kOk);
    EXPECT_EQ(version, 0);
    for (const char* component :
         {OSSL_PKEY_PARAM_RSA_N, OSSL_PKEY_PARAM_RSA_E, OSSL_PKEY_PARAM_RSA_D,
          OSSL_PKEY_PARAM_RSA_FACTOR1, OSSL_PKEY_PARAM_RSA_FACTOR2, OSSL_PKEY_PARAM_RSA_EXPONENT1,
          OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1}) {
        SCOPED_TRACE(component);
        Span value;
        ASSERT_EQ(key.ReadUnsignedInteger(value), DerStatus::kOk);
        EXPECT_EQ(ToHex(value), test::ToHex(fixture.KeyParameter(component)));
    }
    EXPECT_EQ(key.ExpectEnd(), DerStatus::kOk);
}

// Walks every element of a DER tree; the first failure, or kOk.
DerStatus Walk(DerReader reader, int depth = 0) {
    if (depth > 64) return DerStatus::kOk;
    while (!reader.empty()) {
        DerElement element;
        if (const DerStatus status = reader.ReadElement(element); status != DerStatus::kOk) {
            return status;
        }
        if (element.tag.constructed) {
            if (const DerStatus status = Walk(DerReader(element.contents), depth + 1);
                status != DerStatus::kOk) {
                return status;
            }
        }
    }
    return DerStatus::kOk;
}

// Every truncation of real DER fails, and damaged copies never make the reader step outside
// its input (each copy is its own exactly sized allocation, so AddressSanitizer would see it).
TEST(DerReader, TruncatedAndDamagedInputStayInBounds) {
    const auto& fixture = test::OpenSslDerFixture::Get();
    for (const Bytes* der : {&fixture.certificateDer, &fixture.pkcs8Der}) {
        EXPECT_EQ(Walk(DerReader(*der)), DerStatus::kOk);
        for (size_t size = 0; size < der->size(); ++size) {
            const Bytes prefix(der->begin(), der->begin() + static_cast<long>(size));
            DerReader reader(prefix);
            DerElement element;
            ASSERT_NE(reader.ReadElement(element), DerStatus::kOk) << size;
        }
    }
    std::mt19937 random(5280);
    for (int trial = 0; trial < 3000; ++trial) {
        Bytes damaged = fixture.certificateDer;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
        damaged.resize(damaged.size() - random() % 8);
        (void)Walk(DerReader(damaged));
    }
}

}  // namespace
}  // namespace quillon::der
