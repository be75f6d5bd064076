#include "toolkit/kinds/rsa_key_der.h"

#include <algorithm>

#include "der/der_reader.h"

namespace quillon::toolkit::kinds {
namespace {

using der::DerReader;
using der::DerStatus;

// 1.2.840.113549.1.1.1 and 2.5.8.1.1, as contents octets.
constexpr std::uint8_t kRsaEncryption[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
constexpr std::uint8_t kX500Rsa[] = {0x55, 0x08, 0x01, 0x01};

bool SameOid(Bytes oid, Bytes expected) {
    return std::equal(oid.begin(), oid.end(), expected.begin(), expected.end());
}

// AlgorithmIdentifier: the object identifier and at most one parameters element, which is read
// over (rsaEncryption's is NULL, X.500's the key size: neither says anything the numbers do
// not). kDataMalformed for a malformed identifier, kNotRsaKey for another algorithm.
Status ReadRsaAlgorithm(DerReader& outer, bool allowX500) {
    DerReader algorithm;
    Bytes oid;
    if (outer.ReadSequence(algorithm) != DerStatus::kOk ||
        algorithm.ReadOid(oid) != DerStatus::kOk) {
        return kDataMalformed;
    }
    const bool rsa = SameOid(oid, kRsaEncryption) || (allowX500 && SameOid(oid, kX500Rsa));
    if (!rsa) return kNotRsaKey;
    der::DerElement parameters;
    if (!algorithm.empty() && algorithm.ReadElement(parameters) != DerStatus::kOk) {
        return kDataMalformed;
    }
    return algorithm.ExpectEnd() == DerStatus::kOk ? kOk : kDataMalformed;
}

bool ReadPositive(DerReader& reader, Bytes& magnitude) {
    if (reader.ReadUnsignedInteger(magnitude) != DerStatus::kOk) return false;
    return !(magnitude.size() == 1 && magnitude[0] == 0);
}

// OtherPrimeInfo ::= SEQUENCE { prime, exponent, coefficient INTEGER }, the prime not zero.
bool ReadOtherPrimeInfo(DerReader& reader, Bytes& prime, Bytes& exponent, Bytes& coefficient) {
    DerReader info;
    return reader.ReadSequence(info) == DerStatus::kOk && ReadPositive(info, prime) &&
           info.ReadUnsignedInteger(exponent) == DerStatus::kOk &&
           info.ReadUnsignedInteger(coefficient) == DerStatus::kOk &&
           info.ExpectEnd() == DerStatus::kOk;
}

// otherPrimeInfos ::= SEQUENCE SIZE (1..MAX) OF OtherPrimeInfo, every entry checked.
bool ReadOtherPrimeInfos(DerReader& key, RsaPrivateParts& parts) {
    DerReader others;
    if (key.ReadSequence(others) != DerStatus::kOk || key.ExpectEnd() != DerStatus::kOk ||
        others.empty()) {
        return false;
    }
    parts.otherPrimeInfos = others.rest();
    while (!others.empty()) {
        Bytes prime, exponent, coefficient;
        if (!ReadOtherPrimeInfo(others, prime, exponent, coefficient)) return false;
        ++parts.otherPrimeCount;
    }
    return true;
}

}  // namespace

void ReadOtherPrime(Bytes& others, Bytes& prime, Bytes& exponent, Bytes& coefficient) {
    DerReader reader(others);
    if (!ReadOtherPrimeInfo(reader, prime, exponent, coefficient)) {
        prime = exponent = coefficient = {};
        others = {};
        return;
    }
    others = reader.rest();
}

Status DecodeRsaPublicKeyInfo(Bytes der, RsaPublicParts& parts) {
    DerReader input(der);
    DerReader info;
    if (input.ReadSequence(info) != DerStatus::kOk || input.ExpectEnd() != DerStatus::kOk) {
        return kDataMalformed;
    }
    if (const Status status = ReadRsaAlgorithm(info, true); status != kOk) return status;
    Bytes bits;
    if (info.ReadBitStringBytes(bits) != DerStatus::kOk || info.ExpectEnd() != DerStatus::kOk) {
        return kDataMalformed;
    }
    DerReader keyInput(bits);
    DerReader key;
    if (keyInput.ReadSequence(key) != DerStatus::kOk || keyInput.ExpectEnd() != DerStatus::kOk ||
        !ReadPositive(key, parts.modulus) || !ReadPositive(key, parts.exponent) ||
        key.ExpectEnd() != DerStatus::kOk) {
        return kDataMalformed;
    }
    return kOk;
}

Status DecodeRsaPrivateKeyInfo(Bytes der, RsaPrivateParts& parts) {
    DerReader input(der);
    der::DerElement element;
    std::int64_t version = -1;
    if (input.Read(der::kDerSequence, element) != DerStatus::kOk) return kDataMalformed;
    DerReader info(element.contents);
    if (info.ReadSmallInteger(version) != DerStatus::kOk || version != 0) return kDataMalformed;
    parts.encoding = element.encoding;
    if (const Status status = ReadRsaAlgorithm(info, false); status != kOk) return status;
    Bytes octets;
    if (info.ReadOctetString(octets) != DerStatus::kOk) return kDataMalformed;
    // Attributes [0] may follow; they say nothing the key needs.
    der::DerElement attributes;
    bool present = false;
    if (info.ReadOptional(der::DerContext(0, true), attributes, present) != DerStatus::kOk ||
        info.ExpectEnd() != DerStatus::kOk) {
        return kDataMalformed;
    }
    DerReader keyInput(octets);
    DerReader key;
    std::int64_t keyVersion = -1;
    if (keyInput.ReadSequence(key) != DerStatus::kOk || keyInput.ExpectEnd() != DerStatus::kOk ||
        key.ReadSmallInteger(keyVersion) != DerStatus::kOk) {
        return kDataMalformed;
    }
    if (keyVersion != 0 && keyVersion != 1) return kDataMalformed;
    Bytes* const fields[] = {&parts.modulus,   &parts.publicExponent, &parts.privateExponent,
                             &parts.prime1,    &parts.prime2,         &parts.exponent1,
                             &parts.exponent2, &parts.coefficient};
    for (Bytes* field : fields) {
        if (key.ReadUnsignedInteger(*field) != DerStatus::kOk) return kDataMalformed;
    }
    parts.otherPrimeInfos = {};
    parts.otherPrimeCount = 0;
    // otherPrimeInfos: only a version-1 key may carry them.
    if (!key.empty() && (keyVersion != 1 || !ReadOtherPrimeInfos(key, parts))) {
        return kDataMalformed;
    }
    return kOk;
}

}  // namespace quillon::toolkit::kinds
