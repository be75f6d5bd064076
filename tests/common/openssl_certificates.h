// Certificates for the certificate tests: made by OpenSSL's X509 API from a recipe (names entry
// by entry with their string types, validity, key type), and the certificates of the system CA
// bundle.
#pragma once

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quillon::test {

using CertBytes = std::vector<std::uint8_t>;

// One AttributeTypeAndValue: type as a short name OpenSSL knows or as dotted text, the
// ASN.1 string type (V_ASN1_*) and the value's contents octets as they are to be encoded.
struct NameAttribute {
    std::string type;
    int stringType;
    std::string value;
    bool newRdn = true;  // false: joins the previous entry's relative distinguished name
};

struct CertRecipe {
    std::vector<NameAttribute> subject;
    std::vector<NameAttribute> issuer;  // empty: the subject
    // Through ASN1_TIME_set_string: a text that reads as a UTCTime is written as one, exactly
    // as given ("2001011200Z" has no seconds); others as a GeneralizedTime.
    std::string notBefore = "20200101000000Z";
    std::string notAfter = "20400101000000Z";
    bool ecKey = false;              // an EC P-256 key instead of RSA
    bool criticalExtension = false;  // a critical basicConstraints, CA:TRUE
};

inline EVP_PKEY* CertTestKey(bool ec) {
    static EVP_PKEY* const rsa = EVP_RSA_gen(1024);
    static EVP_PKEY* const p256 = EVP_EC_gen("P-256");
    return ec ? p256 : rsa;
}

inline X509_NAME* MakeName(const std::vector<NameAttribute>& attributes) {
    X509_NAME* name = X509_NAME_new();
    for (const NameAttribute& attribute : attributes) {
        ASN1_OBJECT* type = OBJ_txt2obj(attribute.type.c_str(), 0);
        if (type == nullptr ||
            X509_NAME_add_entry_by_OBJ(
                name, type, attribute.stringType,
                reinterpret_cast<const unsigned char*>(attribute.value.data()),
                static_cast<int>(attribute.value.size()), -1, attribute.newRdn ? 0 : -1) != 1) {
            std::fprintf(stderr, "cannot add %s\n", attribute.type.c_str());
        }
        ASN1_OBJECT_free(type);
    }
    return name;
}

inline CertBytes DerOf(X509* certificate) {
    const int size = i2d_X509(certificate, nullptr);
    CertBytes der(static_cast<std::size_t>(size > 0 ? size : 0));
    unsigned char* at = der.data();
    i2d_X509(certificate, &at);
    return der;
}

// A signed (sha256) v3 certificate after the recipe.
inline CertBytes MakeCertificate(const CertRecipe& recipe) {
    EVP_PKEY* key = CertTestKey(recipe.ecKey);
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 0x1234);
    ASN1_TIME_set_string(X509_getm_notBefore(certificate), recipe.notBefore.c_str());
    ASN1_TIME_set_string(X509_getm_notAfter(certificate), recipe.notAfter.c_str());
    X509_NAME* subject = MakeName(recipe.subject);
    X509_NAME* issuer = MakeName(recipe.issuer.empty() ? recipe.subject : recipe.issuer);
    X509_set_subject_name(certificate, subject);
    X509_set_issuer_name(certificate, issuer);
    X509_NAME_free(subject);
    X509_NAME_free(issuer);
    X509_set_pubkey(certificate, key);
    if (recipe.criticalExtension) {
        X509_EXTENSION* extension =
            X509V3_EXT_conf_nid(nullptr, nullptr, NID_basic_constraints, "critical,CA:TRUE");
        X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
    }
    X509_sign(certificate, key, EVP_sha256());
    CertBytes der = DerOf(certificate);
    X509_free(certificate);
    return der;
}

// The system CA bundle (Debian's ca-certificates); under Wine the Linux root is drive Z:.
#if defined(_WIN32)
inline constexpr const char* kSystemCaBundle = "Z:/etc/ssl/certs/ca-certificates.crt";
#else
inline constexpr const char* kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";
#endif

// The DER certificates of the system CA bundle, byte for byte as the bundle holds them.
inline std::vector<CertBytes> SystemCaCertificates() {
    std::vector<CertBytes> certificates;
    std::FILE* file = std::fopen(kSystemCaBundle, "r");
    if (file == nullptr) return certificates;
    char* label = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    while (PEM_read(file, &label, &header, &data, &length) == 1) {
        if (std::string(label) == "CERTIFICATE") certificates.emplace_back(data, data + length);
        OPENSSL_free(label);
        OPENSSL_free(header);
        OPENSSL_free(data);
    }
    std::fclose(file);
    return certificates;
}

}  // namespace quillon::test
