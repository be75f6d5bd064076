// Name objects and their text: certificates made by OpenSSL with names entry by entry, and a
// few Names written by hand for values OpenSSL would not encode.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <string>
#include <utility>
#include <vector>

#include "common/allocation_failure.h"
#include "common/der_test_writer.h"
#include "common/openssl_certificates.h"
#include "common/status_printer.h"
#include "toolkit/cert/cert_object.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {
namespace {

using test::CertRecipe;
using test::NameAttribute;

// The subject text of a certificate made after the recipe.
std::string SubjectText(const CertRecipe& recipe) {
    const test::CertBytes der = test::MakeCertificate(recipe);
    CertObject* cert = nullptr;
    EXPECT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
    EXPECT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertOk);
    const char* text = nullptr;
    EXPECT_EQ(NameGetString(&text, &cert->subject), kCertOk);
    std::string result = text != nullptr ? text : "<null>";
    CertObjectDestroy(&cert);
    return result;
}

std::string Utf16(std::initializer_list<std::uint16_t> units) {
    std::string bytes;
    for (const std::uint16_t unit : units) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

std::string Ucs4(std::initializer_list<std::uint32_t> characters) {
    std::string bytes;
    for (const std::uint32_t c : characters) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(c >> shift & 0xFF);
    }
    return bytes;
}

constexpr int kPrintable = V_ASN1_PRINTABLESTRING;
constexpr int kUtf8 = V_ASN1_UTF8STRING;

TEST(NameString, HandMadeCertificateNames) {
    struct Case {
        const char* what;
        std::vector<NameAttribute> subject;
        std::string expected;
    } const cases[] = {
        {"one relative name of two entries",
         {{"CN", kUtf8, "Alice"}, {"O", kUtf8, "Quillon", false}},
         "cn=Alice+o=Quillon"},
        {"two relative names, in the order of the name",
         {{"C", kPrintable, "DE"}, {"CN", kUtf8, "Alice"}},
         "c=DE,cn=Alice"},
        {"three entries, the last two joined",
         {{"OU", kUtf8, "a"}, {"CN", kUtf8, "b"}, {"L", kUtf8, "c", false}},
         "ou=a,cn=b+l=c"},
        {"leading space", {{"CN", kUtf8, " lead"}}, "cn=\\ lead"},
        {"trailing space", {{"CN", kUtf8, "trail "}}, "cn=trail\\ "},
        {"inner space only", {{"CN", kUtf8, "in ner"}}, "cn=in ner"},
        {"comma", {{"O", kUtf8, "Acme, Inc."}}, "o=Acme\\, Inc."},
        {"plus", {{"CN", kUtf8, "a+b"}}, "cn=a\\+b"},
        {"every special character", {{"CN", kUtf8, "=\"<>;\\"}}, "cn=\\=\\\"\\<\\>\\;\\\\"},
        {"number sign at the start", {{"CN", kUtf8, "#1"}}, "cn=\\#1"},
        {"number sign elsewhere", {{"CN", kUtf8, "a#1#"}}, "cn=a#1#"},
        {"a single space is first and last", {{"CN", kUtf8, " "}}, "cn=\\ "},
        {"empty value", {{"CN", kUtf8, ""}}, "cn="},
        {"PrintableString: leading spaces go, runs become one",
         {{"CN", kPrintable, "   a   b  c "}},
         "cn=a b c\\ "},
        {"PrintableString of spaces only", {{"CN", kPrintable, "   "}}, "cn="},
        {"UTF8String copied byte for byte",
         {{"CN", kUtf8, "J\xC3\xBCrgen \xE2\x82\xAC  x"}},
         "cn=J\xC3\xBCrgen \xE2\x82\xAC  x"},
        {"BMPString",
         {{"CN", V_ASN1_BMPSTRING, Utf16({'A', 0x00FC, 0x20AC})}},
         "cn=A\xC3\xBC\xE2\x82\xAC"},
        {"BMPString escapes", {{"CN", V_ASN1_BMPSTRING, Utf16({'#', ',', ' '})}}, "cn=\\#\\,\\ "},
        {"UniversalString",
         {{"CN", V_ASN1_UNIVERSALSTRING, Ucs4({'Z', 0xE9, 0x1F600})}},
         "cn=Z\xC3\xA9\xF0\x9F\x98\x80"},
        {"T61String bytes above 0x7F are code points",
         {{"CN", V_ASN1_T61STRING, "caf\xE9"}},
         "cn=caf\xC3\xA9"},
        {"IA5String e-mail address",
         {{"emailAddress", V_ASN1_IA5STRING, "a@b.example"}},
         "e=a@b.example"},
        {"IA5String spaces are kept", {{"CN", V_ASN1_IA5STRING, "a  b"}}, "cn=a  b"},
        {"zero byte inside a value",
         {{"CN", kUtf8, std::string("good\0.evil", 10)}},
         "cn=good\\00.evil"},
        {"unknown type: object identifier and the value's DER",
         {{"1.2.3.4", kUtf8, "x,"}},
         "1.2.3.4=#0c02782c"},
        {"unknown type between known ones",
         {{"CN", kUtf8, "a"}, {"2.999.1", V_ASN1_PRINTABLESTRING, " b", false}},
         "cn=a+2.999.1=#13022062"},
        {"unknown type with an arc beyond 64 bits",
         {{"2.25.329800735698586629295641978511506172918", kUtf8, "u"}},
         "2.25.329800735698586629295641978511506172918=#0c0175"},
        {"business category has no short name",
         {{"businessCategory", kUtf8, "Bank"}},
         "2.5.4.15=#0c0442616e6b"},
    };
    for (const Case& c : cases) {
        CertRecipe recipe;
        recipe.subject = c.subject;
        recipe.issuer = {{"CN", kUtf8, "issuer"}};
        EXPECT_EQ(SubjectText(recipe), c.expected) << c.what;
    }
}

TEST(NameString, EighteenShortNames) {
    const struct {
        const char* type;
        const char* shortName;
    } names[] = {
        {"2.5.4.3", "cn"},
        {"2.5.4.7", "l"},
        {"2.5.4.8", "st"},
        {"2.5.4.10", "o"},
        {"2.5.4.11", "ou"},
        {"2.5.4.6", "c"},
        {"2.5.4.9", "street"},
        {"0.9.2342.19200300.100.1.25", "dc"},
        {"2.5.4.5", "serialNumber"},
        {"2.5.4.12", "title"},
        {"2.5.4.17", "postalCode"},
        {"1.2.840.113549.1.9.1", "e"},
        {"2.5.4.46", "dnQualifier"},
        {"2.5.4.4", "sn"},
        {"2.5.4.42", "givenName"},
        {"2.5.4.43", "initials"},
        {"2.5.4.44", "generationQualifier"},
        {"2.5.4.41", "name"},
    };
    CertRecipe recipe;
    std::string expected;
    for (const auto& name : names) {
        recipe.subject.push_back({name.type, V_ASN1_UTF8STRING, "v"});
        if (!expected.empty()) expected += ',';
        expected += std::string(name.shortName) + "=v";
    }
    EXPECT_EQ(SubjectText(recipe), expected);
}

// ---- Names written by hand -------------------------------------------------------------------

struct RawAttribute {
    const char* type;
    der::DerTag tag;
    std::vector<std::uint8_t> contents;
};

// Contents octets of an object identifier, through OpenSSL (which takes arcs of any size).
std::vector<std::uint8_t> OidContents(const char* text) {
    ASN1_OBJECT* object = OBJ_txt2obj(text, 1);
    EXPECT_NE(object, nullptr) << text;
    const unsigned char* data = OBJ_get0_data(object);
    std::vector<std::uint8_t> contents(data, data + OBJ_length(object));
    ASN1_OBJECT_free(object);
    return contents;
}

std::vector<std::uint8_t> RawName(const std::vector<RawAttribute>& attributes) {
    const auto write = [&](test::DerTestWriter& w) {
        w.BeginSequence();
        for (const RawAttribute& attribute : attributes) {
            w.BeginSet();
            w.BeginSequence();
            w.WriteOid(OidContents(attribute.type));
            if (attribute.tag.constructed) {
                w.Begin(attribute.tag);
                w.WriteEncoded(attribute.contents);
                w.End();
            } else {
                w.WritePrimitive(attribute.tag, attribute.contents);
            }
            w.End();
            w.End();
        }
        w.End();
    };
    test::DerTestWriter measure;
    write(measure);
    std::size_t size = 0;
    EXPECT_EQ(measure.Finish(size), der::DerStatus::kOk);
    std::vector<std::uint8_t> der(size);
    test::DerTestWriter writer(der);
    write(writer);
    EXPECT_EQ(writer.Finish(size), der::DerStatus::kOk);
    return der;
}

// A name object with the DER it views.
struct OwnedName {
    std::vector<std::uint8_t> der;
    NameObject name{};
    explicit OwnedName(std::vector<std::uint8_t> encoding, CertStatus expected = kCertOk)
        : der(std::move(encoding)) {
        NameInit(&name);
        EXPECT_EQ(NameDecode(&name, der), expected);
    }
    ~OwnedName() { NameRelease(&name); }
};

TEST(NameString, ValuesOfOtherKinds) {
    using der::DerUniversal;
    namespace u = der::der_universal;
    struct Case {
        const char* what;
        RawAttribute attribute;
        CertStatus status;
        const char* expected;
    } const cases[] = {
        {"known type with an INTEGER value",
         {"2.5.4.3", DerUniversal(u::kInteger), {0x05}},
         kCertOk,
         "cn=#020105"},
        {"known type with a SEQUENCE value",
         {"2.5.4.3", DerUniversal(u::kSequence), {0x05, 0x00}},
         kCertOk,
         "cn=#30020500"},
        {"BMPString of odd length",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0, 'a', 0}},
         kCertBadData,
         nullptr},
        {"BMPString with a lone high surrogate",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0xD8, 0x00, 0, 'a'}},
         kCertBadData,
         nullptr},
        {"BMPString ending in a high surrogate",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0xD8, 0x00}},
         kCertBadData,
         nullptr},
        {"BMPString with a lone low surrogate",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0xDC, 0x00}},
         kCertBadData,
         nullptr},
        {"UniversalString beyond Unicode",
         {"2.5.4.3", DerUniversal(u::kUniversalString), {0x00, 0x11, 0x00, 0x00}},
         kCertBadData,
         nullptr},
        {"UniversalString of a surrogate",
         {"2.5.4.3", DerUniversal(u::kUniversalString), {0x00, 0x00, 0xD8, 0x00}},
         kCertBadData,
         nullptr},
        {"UniversalString of a partial character",
         {"2.5.4.3", DerUniversal(u::kUniversalString), {0x00, 0x00, 0x41}},
         kCertBadData,
         nullptr},
        {"BMPString with a surrogate pair",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0, 'A', 0xD8, 0x34, 0xDD, 0x1E}},
         kCertOk,
         "cn=A\xF0\x9D\x84\x9E"},
        {"UTF8String that is not UTF-8 is still copied",
         {"2.5.4.3", DerUniversal(u::kUtf8String), {0xFF, 0xFE}},
         kCertOk,
         "cn=\xFF\xFE"},
        {"BMPString of a zero character",
         {"2.5.4.3", DerUniversal(u::kBmpString), {0, 0, 0, 'z'}},
         kCertOk,
         "cn=\\00z"},
        {"first arc 1", {"1.39.5", DerUniversal(u::kUtf8String), {'a'}}, kCertOk, "1.39.5=#0c0161"},
        {"first subidentifier beyond 64 bits",
         {"2.100000000000000000000000.7", DerUniversal(u::kUtf8String), {'a'}},
         kCertOk,
         "2.100000000000000000000000.7=#0c0161"},
    };
    for (const Case& c : cases) {
        OwnedName owned(RawName({c.attribute}));
        const char* text = "unchanged";
        EXPECT_EQ(NameGetString(&text, &owned.name), c.status) << c.what;
        if (c.expected != nullptr) {
            EXPECT_STREQ(text, c.expected) << c.what;
        } else {
            EXPECT_EQ(text, nullptr) << c.what;
        }
    }
}

TEST(NameString, EmptyNameIsEmptyText) {
    OwnedName owned(RawName({}));
    const char* text = nullptr;
    ASSERT_EQ(NameGetString(&text, &owned.name), kCertOk);
    EXPECT_STREQ(text, "");
}

TEST(NameString, BuiltOnceAndKept) {
    OwnedName owned(RawName({{"2.5.4.3", der::DerUniversal(12), {'a'}}}));
    const char* first = nullptr;
    const char* second = nullptr;
    ASSERT_EQ(NameGetString(&first, &owned.name), kCertOk);
    ASSERT_EQ(NameGetString(&second, &owned.name), kCertOk);
    EXPECT_EQ(first, second);
}

TEST(NameString, ArgumentChecks) {
    NameObject notAName{};
    const char* text = nullptr;
    EXPECT_EQ(NameGetString(&text, nullptr), kCertNotName);
    EXPECT_EQ(NameGetString(&text, &notAName), kCertNotName);
    OwnedName owned(RawName({}));
    EXPECT_EQ(NameGetString(nullptr, &owned.name), kCertNullArgument);
    EXPECT_STREQ(MissingArgumentName(), "text");
}

TEST(NameString, MalformedNames) {
    using Der = std::vector<std::uint8_t>;
    const struct {
        const char* what;
        Der der;
        CertStatus status;
    } cases[] = {
        {"not a SEQUENCE", {0x31, 0x00}, kCertBadData},
        {"empty relative name", {0x30, 0x02, 0x31, 0x00}, kCertBadData},
        {"attribute without value",
         {0x30, 0x07, 0x31, 0x05, 0x30, 0x03, 0x06, 0x01, 0x2A},
         kCertLengthOutOfRange},
        {"attribute with two values",
         {0x30, 0x0B, 0x31, 0x09, 0x30, 0x07, 0x06, 0x01, 0x2A, 0x05, 0x00, 0x05, 0x00},
         kCertBadData},
        {"cut short", {0x30, 0x05, 0x31, 0x03, 0x30}, kCertLengthOutOfRange},
        {"bytes after the name", {0x30, 0x00, 0x00}, kCertBadData},
    };
    for (const auto& c : cases) {
        OwnedName owned(c.der, c.status);
        EXPECT_EQ(owned.name.count, 0u) << c.what;
    }
}

TEST(NameString, AllocationFailures) {
    test::AllocationHookGuard guard;
    const std::vector<std::uint8_t> der =
        RawName({{"2.5.4.3", der::DerUniversal(12), {'a'}},
                 {"2.25.329800735698586629295641978511506172918", der::DerUniversal(12), {'b'}}});
    // The entries, a scratch for the long arc while measuring and while writing, the text.
    constexpr int kAllocations = 4;
    const int allocations = test::ForEachAllocationFailure([&](int failing) {
        NameObject name;
        NameInit(&name);
        CertStatus status = NameDecode(&name, der);
        const char* text = nullptr;
        if (status == kCertOk) status = NameGetString(&text, &name);
        EXPECT_EQ(status, failing <= kAllocations ? kCertOutOfMemory : kCertOk) << failing;
        EXPECT_EQ(text == nullptr, failing <= kAllocations) << failing;
        NameRelease(&name);
    });
    EXPECT_EQ(allocations, kAllocations);
}

}  // namespace
}  // namespace quillon::toolkit::cert
