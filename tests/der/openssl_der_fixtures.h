// Real DER made by OpenSSL for the DER tests: an RSA key, its PKCS #8 PrivateKeyInfo and a
// self-signed X.509 v3 certificate with a two-entry relative distinguished name and extensions.
#pragma once

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <functional>
#include <string>
#include <utility>

#include "common/vector_file.h"

namespace quillon::test {

inline Bytes I2d(int size, const std::function<int(unsigned char**)>& encode) {
    Bytes out(static_cast<size_t>(size > 0 ? size : 0));
    unsigned char* at = out.data();
    EXPECT_EQ(encode(&at), size);
    return out;
}

inline Bytes BignumBytes(const BIGNUM* number) {
    Bytes bytes(static_cast<size_t>(BN_num_bytes(number)));
    BN_bn2bin(number, bytes.data());
    if (bytes.empty()) bytes.push_back(0);
    return bytes;
}

// One generated key and certificate, shared by the tests of a program.
struct OpenSslDerFixture {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    Bytes certificateDer;
    Bytes pkcs8Der;

    OpenSslDerFixture() {
        key = EVP_RSA_gen(1024);
        EXPECT_NE(key, nullptr);

        PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(key);
        pkcs8Der = I2d(i2d_PKCS8_PRIV_KEY_INFO(info, nullptr),
                       [&](unsigned char** at) { return i2d_PKCS8_PRIV_KEY_INFO(info, at); });
        PKCS8_PRIV_KEY_INFO_free(info);

        certificate = X509_new();
        X509_set_version(certificate, 2);
        BIGNUM* serial = nullptr;
        BN_hex2bn(&serial, "00C0FFEE0123456789ABCDEF");
        BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(certificate));
        BN_free(serial);
        X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
        ASN1_TIME_set_string(X509_getm_notAfter(certificate), "20500101000000Z");
        X509_NAME* name = X509_get_subject_name(certificate);
        const auto add = [&](const char* field, const char* value, int set) {
            X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>(value), -1, -1, set);
        };
        add("C", "DE", 0);
        add("CN", "Quillon Test, Root", 0);
        add("O", "Quillon", -1);  // joins the previous relative distinguished name
        add("OU", " spaced  unit ", 0);
        X509_set_issuer_name(certificate, name);
        X509_set_pubkey(certificate, key);
        X509V3_CTX context;
        X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
        for (const auto& [nid, value] : {std::pair{NID_basic_constraints, "critical,CA:TRUE"},
                                         std::pair{NID_subject_key_identifier, "hash"},
                                         std::pair{NID_key_usage, "keyCertSign, cRLSign"}}) {
            X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
            EXPECT_NE(extension, nullptr);
            X509_add_ext(certificate, extension, -1);
            X509_EXTENSION_free(extension);
        }
        EXPECT_GT(X509_sign(certificate, key, EVP_sha256()), 0);
        certificateDer = I2d(i2d_X509(certificate, nullptr),
                             [&](unsigned char** at) { return i2d_X509(certificate, at); });
    }
    ~OpenSslDerFixture() {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
    OpenSslDerFixture(const OpenSslDerFixture&) = delete;
    OpenSslDerFixture& operator=(const OpenSslDerFixture&) = delete;

    [[nodiscard]] Bytes KeyParameter(const char* name) const {
        BIGNUM* value = nullptr;
        EXPECT_EQ(EVP_PKEY_get_bn_param(key, name, &value), 1) << name;
        Bytes bytes = BignumBytes(value);
        BN_clear_free(value);
        return bytes;
    }

    static const OpenSslDerFixture& Get() {
        static const OpenSslDerFixture fixture;
        return fixture;
    }
};

}  // namespace quillon::test
