// DER forms of RSA keys: SubjectPublicKeyInfo (KeyInfoRsaPublicBer) and PKCS #8 PrivateKeyInfo
// (KeyInfoRsaPrivateBer), both holding rsaEncryption keys. Decoding gives views into the input;
// nothing is allocated.
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/status.h"

namespace quillon::toolkit::kinds {

using Bytes = std::span<const std::uint8_t>;

struct RsaPublicParts {
    Bytes modulus;
    Bytes exponent;
};

struct RsaPrivateParts {
    // The PrivateKeyInfo itself, without the bytes that followed it in the input.
    Bytes encoding;
    Bytes modulus, publicExponent, privateExponent, prime1, prime2, exponent1, exponent2,
        coefficient;
    // A key with more than two primes: the contents of its otherPrimeInfos, count checked
    // entries of OtherPrimeInfo {prime, exponent, coefficient} (ReadOtherPrime reads them).
    Bytes otherPrimeInfos;
    std::uint32_t otherPrimeCount = 0;
};

// One checked OtherPrimeInfo from the front of others: its prime, exponent and coefficient.
void ReadOtherPrime(Bytes& others, Bytes& prime, Bytes& exponent, Bytes& coefficient);

// The algorithm identifier must be rsaEncryption or 2.5.8.1.1 (else kNotRsaKey); any other fault in
// the encoding gives kDataMalformed.
[[nodiscard]] Status DecodeRsaPublicKeyInfo(Bytes der, RsaPublicParts& parts);
// The PrivateKeyInfo at the start of der; bytes after it are ignored, as callers hand over
// buffers as they got them. rsaEncryption only (else kNotRsaKey); RSAPrivateKey version 0 or 1
// (else kDataMalformed), otherPrimeInfos only in version 1; other faults kDataMalformed.
[[nodiscard]] Status DecodeRsaPrivateKeyInfo(Bytes der, RsaPrivateParts& parts);

}  // namespace quillon::toolkit::kinds
