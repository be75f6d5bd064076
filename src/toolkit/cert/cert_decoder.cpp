#include "toolkit/cert/cert_decoder.h"

#include <algorithm>

#include "der/der_reader.h"
#include "toolkit/cert/cert_decode_status.h"

namespace quillon::toolkit::cert {
namespace {

using Bytes = std::span<const std::uint8_t>;
using der::DerElement;
using der::DerReader;
using der::DerStatus;

Item ItemOf(Bytes bytes) {
    return {const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }
DerStatus ReadAlgorithmIdentifier(DerReader& reader, Bytes& encoding) {
    DerElement element;
    if (DerStatus status = reader.Read(der::kDerSequence, element); status != DerStatus::kOk) {
        return status;
    }
    DerReader algorithm(element.contents);
    Bytes oid;
    DerElement parameters;
    if (DerStatus status = algorithm.ReadOid(oid); status != DerStatus::kOk) return status;
    if (!algorithm.empty()) {
        if (DerStatus status = algorithm.ReadElement(parameters); status != DerStatus::kOk) {
            return status;
        }
    }
    if (DerStatus status = algorithm.ExpectEnd(); status != DerStatus::kOk) return status;
    encoding = element.encoding;
    return DerStatus::kOk;
}

// Extensions ::= SEQUENCE OF Extension,
// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN DEFAULT FALSE,
//                          extnValue OCTET STRING }
// The flag is read as BER reads a BOOLEAN, one octet with any non-zero value TRUE: issuers have
// written an explicit FALSE and TRUE as 0x01, and the decoders in use accept both.
DerStatus ReadExtensions(DerReader& explicitTag, Bytes& encoding) {
    DerElement element;
    if (DerStatus status = explicitTag.Read(der::kDerSequence, element); status != DerStatus::kOk) {
        return status;
    }
    if (DerStatus status = explicitTag.ExpectEnd(); status != DerStatus::kOk) return status;
    DerReader list(element.contents);
    while (!list.empty()) {
        DerReader extension;
        Bytes oid;
        Bytes value;
        DerElement critical;
        bool present = false;
        DerStatus status = DerStatus::kOk;
        if ((status = list.ReadSequence(extension)) != DerStatus::kOk) return status;
        if ((status = extension.ReadOid(oid)) != DerStatus::kOk) return status;
        if ((status = extension.ReadOptional(der::kDerBoolean, critical, present)) !=
            DerStatus::kOk) {
            return status;
        }
        if (present && critical.contents.size() != 1) return DerStatus::kBadContents;
        if ((status = extension.ReadOctetString(value)) != DerStatus::kOk) return status;
        if ((status = extension.ExpectEnd()) != DerStatus::kOk) return status;
    }
    encoding = element.encoding;
    return DerStatus::kOk;
}

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier, subjectPublicKey BIT STRING }
DerStatus ReadPublicKeyInfo(DerReader& reader, Bytes& encoding) {
    DerElement element;
    if (DerStatus status = reader.Read(der::kDerSequence, element); status != DerStatus::kOk) {
        return status;
    }
    DerReader info(element.contents);
    Bytes algorithm;
    Bytes key;
    std::uint8_t unusedBits = 0;
    DerStatus status = DerStatus::kOk;
    if ((status = ReadAlgorithmIdentifier(info, algorithm)) != DerStatus::kOk) return status;
    if ((status = info.ReadBitString(key, unusedBits)) != DerStatus::kOk) return status;
    if ((status = info.ExpectEnd()) != DerStatus::kOk) return status;
    encoding = element.encoding;
    return DerStatus::kOk;
}

// A [n] IMPLICIT BIT STRING unique identifier, when present.
DerStatus ReadUniqueId(DerReader& reader, std::uint32_t number, Item& id) {
    DerElement element;
    bool present = false;
    const der::DerTag tag = der::DerContext(number, false);
    if (DerStatus status = reader.ReadOptional(tag, element, present);
        status != DerStatus::kOk || !present) {
        return status;
    }
    DerReader again(element.encoding);
    Bytes bits;
    std::uint8_t unusedBits = 0;
    if (DerStatus status = again.ReadBitString(bits, unusedBits, tag); status != DerStatus::kOk) {
        return status;
    }
    id = ItemOf(element.contents);
    return DerStatus::kOk;
}

DerStatus ReadTbsCertificate(DerReader& tbs, DecodedCertificate& decoded) {
    CertFields& fields = decoded.fields;
    // version [0] EXPLICIT INTEGER DEFAULT v1; an explicit v1 is accepted as well.
    DerElement versionTag;
    bool present = false;
    DerStatus status = tbs.ReadOptional(der::DerContext(0, true), versionTag, present);
    if (status != DerStatus::kOk) return status;
    fields.version = 0;
    if (present) {
        DerReader version(versionTag.contents);
        std::int64_t value = -1;
        if ((status = version.ReadSmallInteger(value)) != DerStatus::kOk) return status;
        if ((status = version.ExpectEnd()) != DerStatus::kOk) return status;
        if (value < 0 || value > 2) return DerStatus::kBadContents;
        fields.version = static_cast<std::uint32_t>(value);
    }

    Bytes serial;
    if ((status = tbs.ReadInteger(serial)) != DerStatus::kOk) return status;
    fields.serialNumber = ItemOf(serial);

    Bytes algorithm;
    if ((status = ReadAlgorithmIdentifier(tbs, algorithm)) != DerStatus::kOk) return status;
    fields.signatureAlgorithm = ItemOf(algorithm);

    DerElement issuer;
    if ((status = tbs.Read(der::kDerSequence, issuer)) != DerStatus::kOk) return status;
    decoded.issuer = issuer.encoding;

    DerReader validity;
    if ((status = tbs.ReadSequence(validity)) != DerStatus::kOk) return status;
    // Deployed certificates carry UTCTime without seconds; the order check below compares the
    // times, so such a start and an end with seconds in the same minute are in order.
    constexpr auto kForm = der::DerTimeForm::kUtcSecondsOptional;
    if ((status = validity.ReadTime(fields.validityStart, kForm)) != DerStatus::kOk) return status;
    if ((status = validity.ReadTime(fields.validityEnd, kForm)) != DerStatus::kOk) return status;
    if ((status = validity.ExpectEnd()) != DerStatus::kOk) return status;

    DerElement subject;
    if ((status = tbs.Read(der::kDerSequence, subject)) != DerStatus::kOk) return status;
    decoded.subject = subject.encoding;

    Bytes publicKeyInfo;
    if ((status = ReadPublicKeyInfo(tbs, publicKeyInfo)) != DerStatus::kOk) return status;
    fields.subjectPublicKeyInfo = ItemOf(publicKeyInfo);

    if ((status = ReadUniqueId(tbs, 1, fields.issuerUniqueId)) != DerStatus::kOk) return status;
    if ((status = ReadUniqueId(tbs, 2, fields.subjectUniqueId)) != DerStatus::kOk) return status;

    DerReader extensions;
    if (tbs.NextIs(der::DerContext(3, true))) {
        if ((status = tbs.ReadConstructed(der::DerContext(3, true), extensions)) !=
            DerStatus::kOk) {
            return status;
        }
        Bytes encoding;
        if ((status = ReadExtensions(extensions, encoding)) != DerStatus::kOk) return status;
        fields.extensions = ItemOf(encoding);
    }
    return tbs.ExpectEnd();
}

// Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue BIT STRING }
DerStatus ReadCertificate(std::span<const std::uint8_t> der, DecodedCertificate& decoded,
                          Bytes& outerAlgorithm) {
    DerReader input(der);
    DerReader certificate;
    DerReader tbs;
    Bytes signature;
    std::uint8_t unusedBits = 0;
    DerStatus status = DerStatus::kOk;
    if ((status = input.ReadSequence(certificate)) != DerStatus::kOk) return status;
    if ((status = input.ExpectEnd()) != DerStatus::kOk) return status;
    if ((status = certificate.ReadSequence(tbs)) != DerStatus::kOk) return status;
    if ((status = ReadTbsCertificate(tbs, decoded)) != DerStatus::kOk) return status;
    if ((status = ReadAlgorithmIdentifier(certificate, outerAlgorithm)) != DerStatus::kOk) {
        return status;
    }
    if ((status = certificate.ReadBitString(signature, unusedBits)) != DerStatus::kOk) {
        return status;
    }
    return certificate.ExpectEnd();
}

}  // namespace

std::uint32_t CertificateExtent(std::span<const std::uint8_t> der) {
    der::DerTag tag;
    std::size_t header = 0;
    std::size_t contents = 0;
    if (der::DerParseHeader(der, tag, header, contents) != DerStatus::kOk) {
        return static_cast<std::uint32_t>(der.size());
    }
    return static_cast<std::uint32_t>(header + contents);
}

CertStatus DecodeCertificate(std::span<const std::uint8_t> der, DecodedCertificate& decoded) {
    decoded = {};
    Bytes outerAlgorithm;
    if (const DerStatus status = ReadCertificate(der, decoded, outerAlgorithm);
        status != DerStatus::kOk) {
        decoded = {};
        return CertStatusFromDer(status);
    }

    const Item& inner = decoded.fields.signatureAlgorithm;
    if (!std::equal(outerAlgorithm.begin(), outerAlgorithm.end(), inner.data,
                    inner.data + inner.length)) {
        decoded = {};
        return kCertInconsistent;
    }
    if (decoded.fields.validityStart > decoded.fields.validityEnd) {
        decoded = {};
        return kCertValidityOrder;
    }
    return kCertOk;
}

}  // namespace quillon::toolkit::cert
