// Certificate objects: the fields against OpenSSL's view of the same certificate, the statuses
// of DER that is not a certificate, and out-of-memory paths.
#include <gtest/gtest.h>
#include <openssl/x509.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_certificates.h"
#include "common/status_printer.h"
#include "common/vector_file.h"
#include "toolkit/cert/cert_object.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {
namespace {

using test::CertBytes;
using test::CertRecipe;

CertRecipe SimpleRecipe() {
    CertRecipe recipe;
    recipe.subject = {{"CN", V_ASN1_UTF8STRING, "subject"}};
    recipe.issuer = {{"CN", V_ASN1_UTF8STRING, "issuer"}};
    return recipe;
}

CertStatus Import(const CertBytes& der) {
    CertObject* cert = nullptr;
    EXPECT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
    const CertStatus status = CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size()));
    CertObjectDestroy(&cert);
    return status;
}

CertBytes Bytes(const toolkit::Item& item) {
    return {item.data, item.data + item.length};
}

// Replaces the first occurrence of from with to (same length).
CertBytes Patched(CertBytes der, const CertBytes& from, const CertBytes& to) {
    const auto at = std::search(der.begin(), der.end(), from.begin(), from.end());
    EXPECT_NE(at, der.end());
    if (at != der.end()) std::copy(to.begin(), to.end(), at);
    return der;
}

TEST(CertObject, FieldsMatchOpenSsl) {
    const CertBytes der = test::MakeCertificate(SimpleRecipe());
    const unsigned char* at = der.data();
    X509* x509 = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    ASSERT_NE(x509, nullptr);

    CertObject* cert = nullptr;
    ASSERT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
    ASSERT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertOk);
    const CertFields* fields = nullptr;
    ASSERT_EQ(CertGetFields(&fields, cert), kCertOk);

    EXPECT_EQ(fields->version, static_cast<std::uint32_t>(X509_get_version(x509)));
    EXPECT_EQ(test::ToHex(Bytes(fields->serialNumber)), "1234");
    const X509_ALGOR* algorithm = X509_get0_tbs_sigalg(x509);
    unsigned char* algorithmDer = nullptr;
    const int algorithmSize = i2d_X509_ALGOR(algorithm, &algorithmDer);
    EXPECT_EQ(Bytes(fields->signatureAlgorithm),
              CertBytes(algorithmDer, algorithmDer + algorithmSize));
    OPENSSL_free(algorithmDer);
    unsigned char* keyDer = nullptr;
    const int keySize = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x509), &keyDer);
    EXPECT_EQ(Bytes(fields->subjectPublicKeyInfo), CertBytes(keyDer, keyDer + keySize));
    OPENSSL_free(keyDer);
    EXPECT_EQ(fields->validityStart, (der::DerTime{2020, 1, 1, 0, 0, 0}));
    EXPECT_EQ(fields->validityEnd, (der::DerTime{2040, 1, 1, 0, 0, 0}));
    EXPECT_EQ(fields->issuerName, &cert->issuer);
    EXPECT_EQ(fields->subjectName, &cert->subject);
    EXPECT_EQ(fields->issuerUniqueId.length, 0u);
    EXPECT_EQ(fields->subjectUniqueId.length, 0u);
    EXPECT_EQ(fields->extensions.length, 0u);

    const char* subject = nullptr;
    const char* issuer = nullptr;
    EXPECT_EQ(NameGetString(&subject, fields->subjectName), kCertOk);
    EXPECT_EQ(NameGetString(&issuer, fields->issuerName), kCertOk);
    EXPECT_STREQ(subject, "cn=subject");
    EXPECT_STREQ(issuer, "cn=issuer");

    CertObjectDestroy(&cert);
    EXPECT_EQ(cert, nullptr);
    X509_free(x509);
}

TEST(CertObject, RefusedCertificates) {
    const CertBytes good = test::MakeCertificate(SimpleRecipe());
    CertRecipe reversed = SimpleRecipe();
    reversed.notBefore = "20300101000000Z";
    reversed.notAfter = "20291231235959Z";
    CertRecipe sameInstant = SimpleRecipe();
    sameInstant.notAfter = sameInstant.notBefore;
    // sha256WithRSAEncryption's last arc, first in the tbsCertificate; sha1WithRSAEncryption's.
    const CertBytes sha256Rsa = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B};
    const CertBytes sha1Rsa = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05};
    CertBytes badVersion = good;
    // [0] { INTEGER 2 } becomes INTEGER 3.
    badVersion =
        Patched(badVersion, {0xA0, 0x03, 0x02, 0x01, 0x02}, {0xA0, 0x03, 0x02, 0x01, 0x03});

    const struct {
        const char* what;
        CertBytes der;
        CertStatus status;
    } cases[] = {
        {"well formed", good, kCertOk},
        {"validity start equal to its end", test::MakeCertificate(sameInstant), kCertOk},
        {"validity reversed", test::MakeCertificate(reversed), kCertValidityOrder},
        {"inner signature algorithm differs", Patched(good, sha256Rsa, sha1Rsa), kCertInconsistent},
        {"cut short", CertBytes(good.begin(), good.end() - 1), kCertLengthOutOfRange},
        {"only the header", CertBytes(good.begin(), good.begin() + 4), kCertLengthOutOfRange},
        {"version 4", badVersion, kCertBadData},
        {"not DER at all", {0x01, 0x02, 0x03}, kCertLengthOutOfRange},
        {"an OCTET STRING", {0x04, 0x01, 0x00}, kCertBadData},
        {"indefinite length", {0x30, 0x80, 0x00, 0x00}, kCertBadData},
        {"an empty SEQUENCE", {0x30, 0x00}, kCertLengthOutOfRange},
    };
    for (const auto& c : cases) EXPECT_EQ(Import(c.der), c.status) << c.what;
}

// Buffers as callers get them: the certificate is the first element, whatever follows it. The
// object then holds exactly the bare certificate's bytes.
TEST(CertObject, BytesAfterTheCertificateAreLeftOut) {
    const CertBytes good = test::MakeCertificate(SimpleRecipe());
    CertRecipe otherRecipe = SimpleRecipe();
    otherRecipe.subject = {{"CN", V_ASN1_UTF8STRING, "second"}};
    const CertBytes other = test::MakeCertificate(otherRecipe);
    const auto followedBy = [&](const CertBytes& tail) {
        CertBytes der = good;
        der.insert(der.end(), tail.begin(), tail.end());
        return der;
    };
    const struct {
        const char* what;
        CertBytes der;
    } cases[] = {
        {"one byte", followedBy({0x00})},
        {"zeros", followedBy(CertBytes(300, 0x00))},
        {"another certificate", followedBy(other)},
        {"a broken element", followedBy({0x30, 0x82, 0xFF})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CertObject* cert = nullptr;
        ASSERT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
        ASSERT_EQ(CertSetDer(cert, c.der.data(), static_cast<std::uint32_t>(c.der.size())),
                  kCertOk);
        EXPECT_EQ(CertBytes(cert->der, cert->der + cert->derLength), good);
        const char* subject = nullptr;
        EXPECT_EQ(NameGetString(&subject, &cert->subject), kCertOk);
        EXPECT_STREQ(subject, "cn=subject");
        CertObjectDestroy(&cert);
    }
    // What stands in front still has to be a whole certificate.
    EXPECT_EQ(Import(CertBytes(good.begin(), good.end() - 1)), kCertLengthOutOfRange);
}

// Two encodings of deployed certificates that DER forbids and BER allows: a critical flag TRUE
// written as 0x01, and UTCTime without seconds. The validity order compares times.
TEST(CertObject, EncodingsOfDeployedCertificates) {
    CertRecipe critical = SimpleRecipe();
    critical.criticalExtension = true;
    const CertBytes criticalFf = test::MakeCertificate(critical);
    // basicConstraints, then its critical flag: 01 01 FF.
    const CertBytes flagFf = {0x55, 0x1D, 0x13, 0x01, 0x01, 0xFF};
    const auto flagged = [&](std::uint8_t value) {
        CertBytes to = flagFf;
        to.back() = value;
        return Patched(criticalFf, flagFf, to);
    };
    const auto validity = [](const char* start, const char* end) {
        CertRecipe recipe = SimpleRecipe();
        recipe.notBefore = start;
        recipe.notAfter = end;
        return test::MakeCertificate(recipe);
    };
    const struct {
        const char* what;
        CertBytes der;
        CertStatus status;
        der::DerTime start = {};
    } cases[] = {
        {"critical TRUE as 0xFF", criticalFf, kCertOk, {2020, 1, 1, 0, 0, 0}},
        {"critical TRUE as 0x01", flagged(0x01), kCertOk, {2020, 1, 1, 0, 0, 0}},
        {"critical TRUE as 0x80", flagged(0x80), kCertOk, {2020, 1, 1, 0, 0, 0}},
        {"critical FALSE written out", flagged(0x00), kCertOk, {2020, 1, 1, 0, 0, 0}},
        {"critical flag of two octets",
         Patched(criticalFf, {0x01, 0x01, 0xFF, 0x04}, {0x01, 0x02, 0xFF, 0x04}), kCertBadData},
        {"UTCTime without seconds",
         validity("2001011200Z", "4001011200Z"),
         kCertOk,
         {2020, 1, 1, 12, 0, 0}},
        {"start without seconds, end with them in the same minute",
         validity("2001011200Z", "200101120030Z"),
         kCertOk,
         {2020, 1, 1, 12, 0, 0}},
        {"start without seconds, end with them a minute before",
         validity("2001011201Z", "200101120059Z"), kCertValidityOrder},
        {"start and end the same minute, one with :00",
         validity("2001011200Z", "200101120000Z"),
         kCertOk,
         {2020, 1, 1, 12, 0, 0}},
        {"GeneralizedTime without seconds", validity("202001011200Z", "20400101120000Z"),
         kCertBadData},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CertObject* cert = nullptr;
        ASSERT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
        EXPECT_EQ(CertSetDer(cert, c.der.data(), static_cast<std::uint32_t>(c.der.size())),
                  c.status);
        const CertFields* fields = nullptr;
        if (c.status == kCertOk && CertGetFields(&fields, cert) == kCertOk) {
            EXPECT_EQ(fields->validityStart, c.start);
        }
        CertObjectDestroy(&cert);
    }
}

TEST(CertObject, OuterAlgorithmParametersCountByteForByte) {
    // The same algorithm with and without NULL parameters is still a mismatch.
    const CertBytes good = test::MakeCertificate(SimpleRecipe());
    const CertBytes withNull = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                0xF7, 0x0D, 0x01, 0x01, 0x0B, 0x05, 0x00};
    // Drop the outer algorithm's NULL: the last occurrence, followed by the signature.
    const auto outer = std::find_end(good.begin(), good.end(), withNull.begin(), withNull.end());
    ASSERT_NE(outer, good.end());
    CertBytes der(good.begin(), outer);
    const CertBytes withoutNull = {0x30, 0x0B, 0x06, 0x09, 0x2A, 0x86, 0x48,
                                   0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B};
    der.insert(der.end(), withoutNull.begin(), withoutNull.end());
    der.insert(der.end(), outer + static_cast<long>(withNull.size()), good.end());
    // Two bytes less in the outer SEQUENCE (its length has the two-octet long form).
    ASSERT_EQ(der[1], 0x82);
    const std::size_t length = (static_cast<std::size_t>(der[2]) << 8 | der[3]) - 2;
    der[2] = static_cast<std::uint8_t>(length >> 8);
    der[3] = static_cast<std::uint8_t>(length);
    EXPECT_EQ(Import(der), kCertInconsistent);
}

TEST(CertObject, ArgumentChecks) {
    const CertBytes der = test::MakeCertificate(SimpleRecipe());
    CertObject* cert = nullptr;
    ASSERT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
    EXPECT_EQ(CertSetDer(cert, nullptr, 10), kCertBadData);
    EXPECT_EQ(CertSetDer(cert, der.data(), 0), kCertBadData);
    const CertFields* fields = nullptr;
    EXPECT_EQ(CertGetFields(&fields, cert), kCertBadData) << "no certificate yet";
    ASSERT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertOk);
    EXPECT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertBadData)
        << "a second certificate";
    EXPECT_EQ(CertGetFields(nullptr, cert), kCertNullArgument);
    EXPECT_STREQ(MissingArgumentName(), "certFields");

    CertObject notACert{};
    EXPECT_EQ(CertSetDer(&notACert, der.data(), 1), kCertNotCertificate);
    EXPECT_EQ(CertSetDer(nullptr, der.data(), 1), kCertNotCertificate);
    EXPECT_EQ(CertGetFields(&fields, &notACert), kCertNotCertificate);
    EXPECT_EQ(CertObjectCreate(nullptr, nullptr), kCertNullArgument);
    EXPECT_STREQ(MissingArgumentName(), "cert");
    CertContext notAContext{};
    CertObject* other = &notACert;
    EXPECT_EQ(CertObjectCreate(&other, &notAContext), kCertNotContext);
    EXPECT_EQ(other, nullptr);

    // Destroying leaves anything without the marker alone and always clears the variable.
    CertObject* fake = &notACert;
    CertObjectDestroy(&fake);
    EXPECT_EQ(fake, nullptr);
    CertObjectDestroy(&fake);
    CertObjectDestroy(nullptr);
    CertObjectDestroy(&cert);
    EXPECT_EQ(cert, nullptr);
}

TEST(CertObject, FailedImportLeavesTheObjectEmpty) {
    CertRecipe reversed = SimpleRecipe();
    reversed.notBefore = "20300101000000Z";
    reversed.notAfter = "20200101000000Z";
    const CertBytes bad = test::MakeCertificate(reversed);
    const CertBytes good = test::MakeCertificate(SimpleRecipe());
    CertObject* cert = nullptr;
    ASSERT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
    EXPECT_EQ(CertSetDer(cert, bad.data(), static_cast<std::uint32_t>(bad.size())),
              kCertValidityOrder);
    const CertFields* fields = nullptr;
    EXPECT_EQ(CertGetFields(&fields, cert), kCertBadData);
    EXPECT_EQ(CertSetDer(cert, good.data(), static_cast<std::uint32_t>(good.size())), kCertOk);
    CertObjectDestroy(&cert);
}

TEST(CertObject, AllocationFailures) {
    test::AllocationHookGuard guard;
    CertRecipe recipe = SimpleRecipe();
    recipe.subject.push_back({"O", V_ASN1_UTF8STRING, "org", false});
    const CertBytes der = test::MakeCertificate(recipe);
    // The object, its DER copy, the issuer's and the subject's entries, the subject's text.
    constexpr int kAllocations = 5;
    const int allocations = test::ForEachAllocationFailure([&](int failing) {
        CertObject* cert = nullptr;
        CertStatus status = CertObjectCreate(&cert, nullptr);
        if (status == kCertOk) {
            status = CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size()));
        }
        const char* text = nullptr;
        if (status == kCertOk) status = NameGetString(&text, &cert->subject);
        EXPECT_EQ(status, failing <= kAllocations ? kCertOutOfMemory : kCertOk) << failing;
        CertObjectDestroy(&cert);
    });
    EXPECT_EQ(allocations, kAllocations);
}

}  // namespace
}  // namespace quillon::toolkit::cert
