#include "der/der_writer.h"

#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>

#include <functional>
#include <random>
#include <string>

#include "common/der_test_writer.h"
#include "common/vector_file.h"
#include "der/der_oid.h"
#include "der/der_reader.h"
#include "der/openssl_der_fixtures.h"

namespace quillon::der {
namespace {

using test::Bytes;
using TestWriter = test::DerTestWriter;
using Build = std::function<void(TestWriter&)>;

Bytes Hex(std::string text) {
    std::erase(text, ' ');
    return test::FromHex(text);
}

// Measures, then writes into a buffer of exactly the measured size; both must agree.
Bytes Encode(const Build& build, DerStatus* status = nullptr) {
    TestWriter measure;
    build(measure);
    size_t needed = 0;
    const DerStatus measured = measure.Finish(needed);
    if (status != nullptr) *status = measured;
    if (measured != DerStatus::kOk) return {};
    Bytes out(needed);
    TestWriter writer(out);
    build(writer);
    size_t written = 0;
    EXPECT_EQ(writer.Finish(written), DerStatus::kOk);
    EXPECT_EQ(written, needed);
    return out;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

TEST(DerWriter, EncodingsTable) {
    const Bytes long200(200, 0xAB), long65536(65536, 0x01);
    struct Case {
        const char* what;
        Build build;
        std::string expectedPrefix;  // hex of the encoding's start
        size_t size;                 // total size
    } const cases[] = {
        {"integer 0", [](TestWriter& w) { w.WriteSmallInteger(0); }, "020100", 3},
        {"integer 127", [](TestWriter& w) { w.WriteSmallInteger(127); }, "02017F", 3},
        {"integer 128", [](TestWriter& w) { w.WriteSmallInteger(128); }, "02020080", 4},
        {"integer 256", [](TestWriter& w) { w.WriteSmallInteger(256); }, "02020100", 4},
        {"integer -1", [](TestWriter& w) { w.WriteSmallInteger(-1); }, "0201FF", 3},
        {"integer -128", [](TestWriter& w) { w.WriteSmallInteger(-128); }, "020180", 3},
        {"integer -129", [](TestWriter& w) { w.WriteSmallInteger(-129); }, "0202FF7F", 4},
        {"integer min", [](TestWriter& w) { w.WriteSmallInteger(INT64_MIN); },
         "02088000000000000000", 10},
        {"integer max", [](TestWriter& w) { w.WriteSmallInteger(INT64_MAX); },
         "02087FFFFFFFFFFFFFFF", 10},
        {"magnitude empty", [](TestWriter& w) { w.WriteUnsignedInteger({}); }, "020100", 3},
        {"magnitude with leading zeros",
         [](TestWriter& w) { w.WriteUnsignedInteger(Hex("000001")); }, "020101", 3},
        {"magnitude with high bit", [](TestWriter& w) { w.WriteUnsignedInteger(Hex("80")); },
         "02020080", 4},
        {"magnitude 00FF", [](TestWriter& w) { w.WriteUnsignedInteger(Hex("00FF")); }, "020200FF",
         4},
        {"boolean", [](TestWriter& w) { w.WriteBoolean(true); }, "0101FF", 3},
        {"null", [](TestWriter& w) { w.WriteNull(); }, "0500", 2},
        {"oid text", [](TestWriter& w) { w.WriteOidText("1.2.840.113549.1.1.1"); },
         "06092A864886F70D010101", 11},
        {"oid constant", [](TestWriter& w) { w.WriteOid(kOidX500Rsa.contents()); }, "060455080101",
         6},
        {"bit string with unused bits", [](TestWriter& w) { w.WriteBitString(Hex("80"), 7); },
         "03020780", 4},
        {"empty bit string", [](TestWriter& w) { w.WriteBitString({}); }, "030100", 3},
        {"implicit octet string",
         [](TestWriter& w) { w.WriteOctetString(Hex("AA"), DerContext(0, false)); }, "8001AA", 3},
        {"tag [31]", [](TestWriter& w) { w.WritePrimitive(DerContext(31, false), {}); }, "9F1F00",
         3},
        {"tag [128] constructed",
         [](TestWriter& w) {
             w.Begin(DerContext(128, true));
             w.End();
         },
         "BF810000", 4},
        {"largest tag",
         [](TestWriter& w) {
             w.WritePrimitive({DerClass::kApplication, false, kDerMaxTagNumber}, {});
         },
         "5FFFFFFF7F00", 6},
        {"utc time",
         [](TestWriter& w) {
             w.WriteTime({2025, 1, 2, 3, 4, 5});
         },
         "170D" + test::ToHex(Text("250102030405Z")), 15},
        {"utc time 1950",
         [](TestWriter& w) {
             w.WriteTime({1950, 1, 1, 0, 0, 0});
         },
         "170D" + test::ToHex(Text("500101000000Z")), 15},
        {"generalized time 2050",
         [](TestWriter& w) {
             w.WriteTime({2050, 1, 1, 0, 0, 0});
         },
         "180F" + test::ToHex(Text("20500101000000Z")), 17},
        {"generalized time 1949",
         [](TestWriter& w) {
             w.WriteTime({1949, 12, 31, 23, 59, 59});
         },
         "180F" + test::ToHex(Text("19491231235959Z")), 17},
        {"nested empty sequences",
         [](TestWriter& w) {
             w.BeginSequence();
             w.BeginSequence();
             w.End();
             w.End();
         },
         "30023000", 4},
        {"octet string 127", [](TestWriter& w) { w.WriteOctetString(Bytes(127, 1)); }, "047F01",
         129},
        {"octet string 128", [](TestWriter& w) { w.WriteOctetString(Bytes(128, 1)); }, "04818001",
         131},
        {"octet string 255", [](TestWriter& w) { w.WriteOctetString(Bytes(255, 1)); }, "0481FF01",
         258},
        {"octet string 256", [](TestWriter& w) { w.WriteOctetString(Bytes(256, 1)); }, "0482010001",
         260},
        // Lengths that grow from the reserved octet to the long form at End, at three depths.
        {"sequence around 200 bytes",
         [&](TestWriter& w) {
             w.BeginSequence();
             w.WriteOctetString(long200);
             w.End();
         },
         "3081CB0481C8AB", 206},
        {"three levels around 65536 bytes",
         [&](TestWriter& w) {
             w.BeginSequence();
             w.Begin(DerContext(0, true));
             w.BeginSet();
             w.WriteOctetString(long65536);
             w.End();
             w.End();
             w.WriteNull();
             w.End();
         },
         "3083010011A08301000A3183010005048301000001", 65558},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DerStatus status = DerStatus::kOk;
        const Bytes encoded = Encode(c.build, &status);
        ASSERT_EQ(status, DerStatus::kOk);
        EXPECT_EQ(encoded.size(), c.size);
        const std::string hex = test::ToHex(encoded);
        EXPECT_EQ(hex.substr(0, c.expectedPrefix.size()), c.expectedPrefix);
        // Whatever the writer makes, the strict reader takes back in full.
        DerReader reader(encoded);
        DerElement element;
        EXPECT_EQ(reader.ReadElement(element), DerStatus::kOk);
        EXPECT_TRUE(reader.empty() || c.size == 0);
    }
}

// A buffer one byte short: nothing is written past it, and the needed size is reported.
TEST(DerWriter, ShortBufferReportsTheSizeNeeded) {
    const Build build = [](TestWriter& w) {
        w.BeginSequence();
        w.WriteOctetString(Bytes(300, 7));
        w.WriteOidText("2.5.4.3");
        w.WriteSmallInteger(1);
        w.End();
    };
    const Bytes full = Encode(build);
    for (size_t room = 0; room < full.size(); ++room) {
        SCOPED_TRACE(room);
        Bytes buffer(full.size() + 8, 0xEE);
        TestWriter writer(std::span(buffer.data(), room));
        build(writer);
        size_t size = 0;
        EXPECT_EQ(writer.Finish(size), DerStatus::kBufferTooSmall);
        EXPECT_EQ(size, full.size());
        for (size_t i = room; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xEE) << i;
    }
}

TEST(DerWriter, RefusedRequestsTable) {
    struct Case {
        const char* what;
        Build build;
        DerStatus status;
    } const cases[] = {
        {"End without Begin", [](TestWriter& w) { w.End(); }, DerStatus::kUnbalanced},
        {"element left open", [](TestWriter& w) { w.BeginSequence(); }, DerStatus::kUnbalanced},
        {"too deep",
         [](TestWriter& w) {
             for (size_t i = 0; i <= DerWriter::kMaxDepth; ++i) w.BeginSequence();
         },
         DerStatus::kTooDeep},
        {"primitive tag opened", [](TestWriter& w) { w.Begin(kDerInteger); },
         DerStatus::kInvalidArgument},
        {"constructed tag written as primitive",
         [](TestWriter& w) { w.WritePrimitive(kDerSequence, {}); }, DerStatus::kInvalidArgument},
        {"end-of-contents tag", [](TestWriter& w) { w.WritePrimitive(DerUniversal(0), {}); },
         DerStatus::kInvalidArgument},
        {"tag number too large",
         [](TestWriter& w) { w.WritePrimitive(DerContext(kDerMaxTagNumber + 1, false), {}); },
         DerStatus::kInvalidArgument},
        {"non-minimal integer contents",
         [](TestWriter& w) { w.WritePrimitive(kDerInteger, Hex("0001")); },
         DerStatus::kInvalidArgument},
        {"boolean contents", [](TestWriter& w) { w.WritePrimitive(kDerBoolean, Hex("01")); },
         DerStatus::kInvalidArgument},
        {"bad oid text", [](TestWriter& w) { w.WriteOidText("1.40"); },
         DerStatus::kInvalidArgument},
        {"bad oid contents", [](TestWriter& w) { w.WriteOid(Hex("2A86")); },
         DerStatus::kInvalidArgument},
        {"eight unused bits", [](TestWriter& w) { w.WriteBitString(Hex("00"), 8); },
         DerStatus::kInvalidArgument},
        {"unused bits set", [](TestWriter& w) { w.WriteBitString(Hex("81"), 1); },
         DerStatus::kInvalidArgument},
        {"unused bits of nothing", [](TestWriter& w) { w.WriteBitString({}, 1); },
         DerStatus::kInvalidArgument},
        {"invalid date",
         [](TestWriter& w) {
             w.WriteTime({2025, 2, 29, 0, 0, 0});
         },
         DerStatus::kInvalidArgument},
        {"pre-encoded but truncated", [](TestWriter& w) { w.WriteEncoded(Hex("3003 0201")); },
         DerStatus::kInvalidArgument},
        {"pre-encoded with trailing bytes", [](TestWriter& w) { w.WriteEncoded(Hex("0500 00")); },
         DerStatus::kInvalidArgument},
        {"pre-encoded indefinite", [](TestWriter& w) { w.WriteEncoded(Hex("3080 0000")); },
         DerStatus::kInvalidArgument},
        // The first error stays, later requests change nothing.
        {"sticky",
         [](TestWriter& w) {
             w.WriteOidText("x");
             w.End();
             w.BeginSequence();
             w.WriteNull();
         },
         DerStatus::kInvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool writing : {false, true}) {
            Bytes buffer(64, 0xEE);
            TestWriter measuring;
            TestWriter writer(buffer);
            TestWriter& w = writing ? writer : measuring;
            c.build(w);
            size_t size = 0;
            EXPECT_EQ(w.Finish(size), c.status);
        }
    }
    // A hard error found after the buffer ran out is the one reported.
    Bytes small(2);
    TestWriter writer(small);
    writer.WriteOctetString(Bytes(10, 0));
    EXPECT_EQ(writer.status(), DerStatus::kBufferTooSmall);
    writer.WriteOidText("9.9");
    size_t size = 0;
    EXPECT_EQ(writer.Finish(size), DerStatus::kInvalidArgument);
}

// SET OF puts its elements in ascending order of their encodings, shorter ones padded with
// zeros at the end.
TEST(DerWriter, SetOfIsSorted) {
    const Bytes encoded = Encode([](TestWriter& w) {
        w.BeginSetOf();
        w.WriteOctetString(Hex("AA"));
        w.WriteSmallInteger(3);
        w.WriteOctetString({});
        w.WriteSmallInteger(1);
        w.WriteBoolean(true);
        w.WriteOctetString(Bytes(130, 0x55));
        w.End();
    });
    EXPECT_EQ(test::ToHex(encoded),
              "318193"
              "0101FF"
              "020101"
              "020103"
              "0400"
              "0401AA"
              "048182" +
                  std::string(260, '5'));
}

// Re-encodes a DER tree element by element; the elements of every SET go in reversed, so the
// writer's SET OF ordering has to restore them.
void ReEncode(DerReader reader, TestWriter& writer) {
    while (!reader.empty()) {
        DerElement element;
        ASSERT_EQ(reader.ReadElement(element), DerStatus::kOk);
        if (!element.tag.constructed) {
            writer.WritePrimitive(element.tag, element.contents);
            continue;
        }
        if (element.tag != kDerSet) {
            writer.Begin(element.tag);
            ReEncode(DerReader(element.contents), writer);
            writer.End();
            continue;
        }
        std::vector<Bytes> members;
        for (DerReader set(element.contents); !set.empty();) {
            DerElement member;
            ASSERT_EQ(set.ReadElement(member), DerStatus::kOk);
            members.emplace(members.begin(), member.encoding.begin(), member.encoding.end());
        }
        writer.BeginSetOf();
        for (const Bytes& member : members) ReEncode(DerReader(member), writer);
        writer.End();
    }
}

TEST(DerWriter, ReEncodesOpenSslDerByteForByte) {
    const auto& fixture = test::OpenSslDerFixture::Get();
    for (const Bytes* der : {&fixture.certificateDer, &fixture.pkcs8Der}) {
        const Bytes again = Encode([&](TestWriter& w) { ReEncode(DerReader(*der), w); });
        EXPECT_EQ(test::ToHex(again), test::ToHex(*der));
    }
}

// Random INTEGERs: our encodings against OpenSSL's i2d.
TEST(DerWriter, IntegersAgreeWithOpenSsl) {
    std::mt19937_64 random(2);
    for (int trial = 0; trial < 400; ++trial) {
        Bytes magnitude(random() % 70);
        for (auto& byte : magnitude) byte = static_cast<std::uint8_t>(random());
        for (size_t i = 0; i < magnitude.size() && random() % 3 == 0; ++i) magnitude[i] = 0;
        BIGNUM* number = BN_bin2bn(magnitude.data(), static_cast<int>(magnitude.size()), nullptr);
        ASN1_INTEGER* integer = BN_to_ASN1_INTEGER(number, nullptr);
        const Bytes expected =
            test::I2d(i2d_ASN1_INTEGER(integer, nullptr),
                      [&](unsigned char** at) { return i2d_ASN1_INTEGER(integer, at); });
        ASN1_INTEGER_free(integer);
        BN_free(number);
        EXPECT_EQ(test::ToHex(Encode([&](TestWriter& w) { w.WriteUnsignedInteger(magnitude); })),
                  test::ToHex(expected));

        const auto value = static_cast<std::int64_t>(random()) >> (random() % 64);
        ASN1_INTEGER* small = ASN1_INTEGER_new();
        ASN1_INTEGER_set_int64(small, value);
        const Bytes expectedSmall =
            test::I2d(i2d_ASN1_INTEGER(small, nullptr),
                      [&](unsigned char** at) { return i2d_ASN1_INTEGER(small, at); });
        ASN1_INTEGER_free(small);
        EXPECT_EQ(test::ToHex(Encode([&](TestWriter& w) { w.WriteSmallInteger(value); })),
                  test::ToHex(expectedSmall))
            << value;
    }
}

// A certificates-only PKCS #7 signed-data message around an OpenSSL certificate, as OpenSSL
// encodes the same structure.
TEST(DerWriter, Pkcs7CertificatesOnlyMatchesOpenSsl) {
    const auto& fixture = test::OpenSslDerFixture::Get();
    const Bytes ours = Encode([&](TestWriter& w) {
        w.BeginSequence();  // ContentInfo
        w.WriteOid(kOidPkcs7SignedData.contents());
        w.Begin(DerContext(0, true));
        w.BeginSequence();  // SignedData
        w.WriteSmallInteger(1);
        w.BeginSetOf();  // digestAlgorithms: none
        w.End();
        w.BeginSequence();  // encapsulated content: data, absent
        w.WriteOid(kOidPkcs7Data.contents());
        w.End();
        w.Begin(DerContext(0, true));  // certificates
        w.WriteEncoded(fixture.certificateDer);
        w.End();
        w.BeginSetOf();  // signerInfos: none
        w.End();
        w.End();
        w.End();
        w.End();
    });

    PKCS7* message = PKCS7_new();
    ASSERT_EQ(PKCS7_set_type(message, NID_pkcs7_signed), 1);
    ASSERT_EQ(PKCS7_content_new(message, NID_pkcs7_data), 1);
    // An absent content, not an empty OCTET STRING.
    ASN1_OCTET_STRING_free(message->d.sign->contents->d.data);
    message->d.sign->contents->d.data = nullptr;
    ASSERT_EQ(PKCS7_add_certificate(message, fixture.certificate), 1);
    const Bytes expected = test::I2d(i2d_PKCS7(message, nullptr),
                                     [&](unsigned char** at) { return i2d_PKCS7(message, at); });
    PKCS7_free(message);
    EXPECT_EQ(test::ToHex(ours), test::ToHex(expected));
}

}  // namespace
}  // namespace quillon::der
