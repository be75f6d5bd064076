// Every certificate of the system CA bundle through the certificate layer, with OpenSSL's view
// of the same certificate as the reference: the name entries and their text, the RSA public key,
// and the PKCS #7 message read back.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cctype>
#include <string>
#include <vector>

#include "common/openssl_certificates.h"
#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "common/vector_file.h"
#include "toolkit/cert/cert_object.h"
#include "toolkit/cert/pkcs7_encoder.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit::cert {
namespace {

using test::CertBytes;

std::string CertLabel(X509* x509) {
    char buffer[256];
    X509_NAME_oneline(X509_get_subject_name(x509), buffer, sizeof buffer);
    return buffer;
}

// One bundle certificate as our certificate object and as OpenSSL's X509, with its fields and a
// label for failure messages.
struct Imported {
    CertObject* cert = nullptr;
    X509* x509 = nullptr;
    const CertFields* fields = nullptr;
    std::string label;
    explicit Imported(const CertBytes& der) {
        const unsigned char* at = der.data();
        x509 = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
        EXPECT_NE(x509, nullptr);
        if (x509 != nullptr) label = CertLabel(x509);
        EXPECT_EQ(CertObjectCreate(&cert, nullptr), kCertOk);
        EXPECT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertOk)
            << label;
        EXPECT_EQ(CertGetFields(&fields, cert), kCertOk) << label;
    }
    ~Imported() {
        CertObjectDestroy(&cert);
        X509_free(x509);
    }
    Imported(const Imported&) = delete;
    Imported& operator=(const Imported&) = delete;
    [[nodiscard]] bool ok() const { return x509 != nullptr && fields != nullptr; }
};

const std::vector<CertBytes>& Bundle() {
    static const std::vector<CertBytes> bundle = test::SystemCaCertificates();
    return bundle;
}

// The expected text of one value: OpenSSL turns it into UTF-8, the test applies the
// PrintableString space rule and the escapes.
std::string ExpectedValue(const ASN1_STRING* value) {
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    EXPECT_GE(length, 0);
    std::string text(reinterpret_cast<char*>(utf8),
                     static_cast<std::size_t>(length > 0 ? length : 0));
    OPENSSL_free(utf8);
    if (ASN1_STRING_type(value) == V_ASN1_PRINTABLESTRING) {
        std::string squeezed;
        for (const char c : text) {
            if (c == ' ' && (squeezed.empty() || squeezed.back() == ' ')) continue;
            squeezed += c;
        }
        text = squeezed;
    }
    std::string escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool special = std::string(",+=\"><;\\").find(c) != std::string::npos;
        const bool edge = (c == ' ' && (i == 0 || i + 1 == text.size())) || (c == '#' && i == 0);
        if (special || edge) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string ShortName(const ASN1_OBJECT* type) {
    static const std::pair<int, const char*> kNames[] = {
        {NID_commonName, "cn"},
        {NID_localityName, "l"},
        {NID_stateOrProvinceName, "st"},
        {NID_organizationName, "o"},
        {NID_organizationalUnitName, "ou"},
        {NID_countryName, "c"},
        {NID_streetAddress, "street"},
        {NID_domainComponent, "dc"},
        {NID_serialNumber, "serialNumber"},
        {NID_title, "title"},
        {NID_postalCode, "postalCode"},
        {NID_pkcs9_emailAddress, "e"},
        {NID_dnQualifier, "dnQualifier"},
        {NID_surname, "sn"},
        {NID_givenName, "givenName"},
        {NID_initials, "initials"},
        {NID_generationQualifier, "generationQualifier"},
        {NID_name, "name"},
    };
    for (const auto& [nid, name] : kNames) {
        if (OBJ_obj2nid(type) == nid) return name;
    }
    return {};
}

std::string ExpectedText(X509_NAME* name) {
    std::string text;
    int lastSet = -1;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        if (i != 0) text += X509_NAME_ENTRY_set(entry) != lastSet ? ',' : '+';
        lastSet = X509_NAME_ENTRY_set(entry);
        const ASN1_OBJECT* type = X509_NAME_ENTRY_get_object(entry);
        const ASN1_STRING* value = X509_NAME_ENTRY_get_data(entry);
        const std::string shortName = ShortName(type);
        if (!shortName.empty()) {
            text += shortName + "=" + ExpectedValue(value);
            continue;
        }
        char oid[128];
        OBJ_obj2txt(oid, sizeof oid, type, 1);
        unsigned char* der = nullptr;
        ASN1_TYPE* any = ASN1_TYPE_new();
        ASN1_TYPE_set1(any, ASN1_STRING_type(value), value);
        const int size = i2d_ASN1_TYPE(any, &der);
        std::string hex = test::ToHex(der, static_cast<std::size_t>(size));
        for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        text += std::string(oid) + "=#" + hex;
        OPENSSL_free(der);
        ASN1_TYPE_free(any);
    }
    return text;
}

// The entries of our name object against OpenSSL's: type, value (tag and contents) and which
// relative distinguished name each belongs to.
void ExpectSameEntries(const NameObject& ours, X509_NAME* theirs, const std::string& label) {
    ASSERT_EQ(ours.count, static_cast<std::uint32_t>(X509_NAME_entry_count(theirs))) << label;
    int lastSet = -1;
    for (std::uint32_t i = 0; i < ours.count; ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(theirs, static_cast<int>(i));
        const ASN1_OBJECT* type = X509_NAME_ENTRY_get_object(entry);
        const ASN1_STRING* value = X509_NAME_ENTRY_get_data(entry);
        const NameEntry& mine = ours.entries[i];
        EXPECT_EQ(CertBytes(mine.type.begin(), mine.type.end()),
                  CertBytes(OBJ_get0_data(type), OBJ_get0_data(type) + OBJ_length(type)))
            << label;
        EXPECT_EQ(static_cast<int>(mine.value.tag.number), ASN1_STRING_type(value)) << label;
        EXPECT_EQ(CertBytes(mine.value.contents.begin(), mine.value.contents.end()),
                  CertBytes(ASN1_STRING_get0_data(value),
                            ASN1_STRING_get0_data(value) + ASN1_STRING_length(value)))
            << label;
        EXPECT_EQ(mine.beginsRdn, X509_NAME_ENTRY_set(entry) != lastSet) << label;
        lastSet = X509_NAME_ENTRY_set(entry);
    }
}

TEST(CaBundle, HasCertificates) {
    EXPECT_GT(Bundle().size(), 50u) << "install ca-certificates";
}

TEST(CaBundle, NamesMatchOpenSsl) {
    for (const CertBytes& der : Bundle()) {
        const Imported imported(der);
        ASSERT_TRUE(imported.ok());
        const CertFields* fields = imported.fields;
        const std::string& label = imported.label;
        ExpectSameEntries(*fields->subjectName, X509_get_subject_name(imported.x509), label);
        ExpectSameEntries(*fields->issuerName, X509_get_issuer_name(imported.x509), label);
        const char* subject = nullptr;
        const char* issuer = nullptr;
        ASSERT_EQ(NameGetString(&subject, fields->subjectName), kCertOk) << label;
        ASSERT_EQ(NameGetString(&issuer, fields->issuerName), kCertOk) << label;
        EXPECT_EQ(subject, ExpectedText(X509_get_subject_name(imported.x509))) << label;
        EXPECT_EQ(issuer, ExpectedText(X509_get_issuer_name(imported.x509))) << label;
    }
}

TEST(CaBundle, RsaPublicKeysMatchOpenSsl) {
    int rsaKeys = 0;
    int otherKeys = 0;
    for (const CertBytes& der : Bundle()) {
        const Imported imported(der);
        ASSERT_TRUE(imported.ok());
        const std::string& label = imported.label;
        toolkit::KeyObject* key = nullptr;
        ASSERT_EQ(toolkit::KeyCreate(&key), toolkit::kOk);
        const toolkit::Status status = toolkit::KeySetInfo(key, toolkit::KeyInfoRsaPublicBer,
                                                           &imported.fields->subjectPublicKeyInfo);
        EVP_PKEY* publicKey = X509_get0_pubkey(imported.x509);
        if (EVP_PKEY_get_base_id(publicKey) != EVP_PKEY_RSA) {
            EXPECT_EQ(status, toolkit::kNotRsaKey) << label;
            ++otherKeys;
        } else {
            ASSERT_EQ(status, toolkit::kOk) << label;
            void* record = nullptr;
            ASSERT_EQ(toolkit::KeyGetInfo(&record, key, toolkit::KeyInfoRsaPublic), toolkit::kOk);
            const auto* rsa = static_cast<const toolkit::RsaPublicKeyRecord*>(record);
            BIGNUM* n = nullptr;
            BIGNUM* e = nullptr;
            ASSERT_EQ(EVP_PKEY_get_bn_param(publicKey, "n", &n), 1);
            ASSERT_EQ(EVP_PKEY_get_bn_param(publicKey, "e", &e), 1);
            EXPECT_EQ(CertBytes(rsa->modulus.data, rsa->modulus.data + rsa->modulus.length),
                      test::BigNumBytes(n))
                << label;
            EXPECT_EQ(CertBytes(rsa->exponent.data, rsa->exponent.data + rsa->exponent.length),
                      test::BigNumBytes(e))
                << label;
            BN_free(n);
            BN_free(e);
            ++rsaKeys;
        }
        (void)toolkit::KeyDestroy(&key);
    }
    EXPECT_GT(rsaKeys, 0);
    EXPECT_GT(otherKeys, 0) << "the bundle holds EC keys too";
}

TEST(CaBundle, Pkcs7ReadBackByOpenSsl) {
    CertContext* context = nullptr;
    ASSERT_EQ(CertContextCreate(&context, nullptr, nullptr), kCertOk);
    for (const CertBytes& der : Bundle()) {
        CertObject* cert = nullptr;
        ASSERT_EQ(CertObjectCreate(&cert, context), kCertOk);
        ASSERT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())), kCertOk);
        CertList* list = nullptr;
        ASSERT_EQ(CertListCreate(&list), kCertOk);
        ASSERT_EQ(CertListAdd(list, cert), kCertOk);
        toolkit::Item data{};
        toolkit::Item message{};
        ASSERT_EQ(CertEncodeDataMessage(context, nullptr, &data), kCertOk);
        ASSERT_EQ(CertEncodeSignedDataMessage(context, &data, list, 0, &message), kCertOk);

        const unsigned char* at = message.data;
        PKCS7* pkcs7 = d2i_PKCS7(nullptr, &at, message.length);
        ASSERT_NE(pkcs7, nullptr);
        EXPECT_EQ(at, message.data + message.length);
        ASSERT_TRUE(PKCS7_type_is_signed(pkcs7));
        EXPECT_EQ(sk_PKCS7_SIGNER_INFO_num(pkcs7->d.sign->signer_info), 0);
        EXPECT_TRUE(PKCS7_type_is_data(pkcs7->d.sign->contents));
        ASSERT_EQ(sk_X509_num(pkcs7->d.sign->cert), 1);
        EXPECT_EQ(test::DerOf(sk_X509_value(pkcs7->d.sign->cert, 0)), der);
        unsigned char* again = nullptr;
        const int size = i2d_PKCS7(pkcs7, &again);
        EXPECT_EQ(CertBytes(again, again + size),
                  CertBytes(message.data, message.data + message.length));
        OPENSSL_free(again);
        PKCS7_free(pkcs7);

        CertReleaseMessage(&message);
        CertReleaseMessage(&data);
        CertListDestroy(&list);
        CertObjectDestroy(&cert);
    }
    CertContextDestroy(&context);
}

}  // namespace
}  // namespace quillon::toolkit::cert
