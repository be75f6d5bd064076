// OpenSSL RSA keys as the differential oracle of the RSA tests: generated once per size and
// process, with their PKCS #8 and SubjectPublicKeyInfo DER encodings.
#pragma once

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace quillon::test {

struct OpensslRsaKey {
    RSA* rsa = nullptr;
    std::vector<std::uint8_t> pkcs8;  // PrivateKeyInfo
    std::vector<std::uint8_t> spki;   // SubjectPublicKeyInfo
    std::vector<std::uint8_t> modulus;
    std::vector<std::uint8_t> exponent;
    [[nodiscard]] std::uint32_t size() const { return static_cast<std::uint32_t>(modulus.size()); }

    OpensslRsaKey() = default;
    OpensslRsaKey(const OpensslRsaKey&) = delete;
    OpensslRsaKey& operator=(const OpensslRsaKey&) = delete;
    ~OpensslRsaKey() { RSA_free(rsa); }
};

inline std::vector<std::uint8_t> BigNumBytes(const BIGNUM* number) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(BN_num_bytes(number)));
    BN_bn2bin(number, bytes.data());
    return bytes;
}

// A key of that many bits and primes with exponent 65537, the same object for every call in a
// process.
inline const OpensslRsaKey& OpensslKey(int bits, int primes = 2) {
    static std::map<std::pair<int, int>, OpensslRsaKey> keys;
    auto found = keys.find({bits, primes});
    if (found != keys.end()) return found->second;
    OpensslRsaKey& key = keys[{bits, primes}];
    key.rsa = RSA_new();
    BIGNUM* e = BN_new();
    BN_set_word(e, RSA_F4);
    RSA_generate_multi_prime_key(key.rsa, bits, primes, e, nullptr);
    BN_free(e);
    EVP_PKEY* pkey = EVP_PKEY_new();
    RSA_up_ref(key.rsa);
    EVP_PKEY_assign_RSA(pkey, key.rsa);
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(pkey);
    unsigned char* der = nullptr;
    int length = i2d_PKCS8_PRIV_KEY_INFO(p8, &der);
    key.pkcs8.assign(der, der + length);
    OPENSSL_free(der);
    der = nullptr;
    length = i2d_RSA_PUBKEY(key.rsa, &der);
    key.spki.assign(der, der + length);
    OPENSSL_free(der);
    PKCS8_PRIV_KEY_INFO_free(p8);
    EVP_PKEY_free(pkey);
    const BIGNUM* n = nullptr;
    const BIGNUM* e2 = nullptr;
    RSA_get0_key(key.rsa, &n, &e2, nullptr);
    key.modulus = BigNumBytes(n);
    key.exponent = BigNumBytes(e2);
    return key;
}

}  // namespace quillon::test
