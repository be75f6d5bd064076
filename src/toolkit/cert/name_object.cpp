#include "toolkit/cert/name_object.h"

#include "support/checked_alloc.h"
#include "toolkit/cert/cert_decode_status.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/cert/name_string.h"

namespace quillon::toolkit::cert {

constinit const std::uint32_t kNameObjectMarker = 0x4E414D45u;  // "NAME"

namespace {

using der::DerReader;
using der::DerStatus;

// Walks Name ::= SEQUENCE OF RelativeDistinguishedName, RDN ::= SET SIZE (1..MAX) OF
// AttributeTypeAndValue, calling visit(entry) for each entry in DER order. Only the element
// structure is checked here: the order of a SET OF's members is not, since some issuers do not
// sort them, and it does not change what the name says.
template <typename Visit>
DerStatus WalkName(std::span<const std::uint8_t> der, Visit visit) {
    DerReader input(der);
    DerReader rdns;
    if (DerStatus status = input.ReadSequence(rdns); status != DerStatus::kOk) return status;
    if (DerStatus status = input.ExpectEnd(); status != DerStatus::kOk) return status;
    while (!rdns.empty()) {
        DerReader rdn;
        if (DerStatus status = rdns.ReadSet(rdn); status != DerStatus::kOk) return status;
        if (rdn.empty()) return DerStatus::kBadContents;
        bool begins = true;
        while (!rdn.empty()) {
            DerReader attribute;
            NameEntry entry{};
            DerStatus status = DerStatus::kOk;
            if ((status = rdn.ReadSequence(attribute)) != DerStatus::kOk) return status;
            if ((status = attribute.ReadOid(entry.type)) != DerStatus::kOk) return status;
            if ((status = attribute.ReadElement(entry.value)) != DerStatus::kOk) return status;
            if ((status = attribute.ExpectEnd()) != DerStatus::kOk) return status;
            entry.beginsRdn = begins;
            begins = false;
            visit(entry);
        }
    }
    return DerStatus::kOk;
}

}  // namespace

void NameInit(NameObject* name) {
    *name = {&kNameObjectMarker, name, nullptr, 0, nullptr};
}

CertStatus NameDecode(NameObject* name, std::span<const std::uint8_t> der) {
    std::uint32_t count = 0;
    if (const DerStatus status = WalkName(der, [&](const NameEntry&) { ++count; });
        status != DerStatus::kOk) {
        return CertStatusFromDer(status);
    }
    if (count == 0) return kCertOk;
    auto* entries = support::NewArray<NameEntry>(count);
    if (entries == nullptr) return kCertOutOfMemory;
    std::uint32_t at = 0;
    (void)WalkName(der, [&](const NameEntry& entry) { entries[at++] = entry; });
    name->entries = entries;
    name->count = count;
    return kCertOk;
}

CertStatus NameGetString(const char** text, NameObject* name) {
    if (!IsNameObject(name)) return kCertNotName;
    if (text == nullptr) return NullArgument("text");
    if (name->text == nullptr) {
        if (const CertStatus status = NameToString({name->entries, name->count}, &name->text);
            status != kCertOk) {
            *text = nullptr;
            return status;
        }
    }
    *text = name->text;
    return kCertOk;
}

void NameRelease(NameObject* name) {
    support::Release(name->entries);
    support::Release(name->text);
    *name = {};
}

}  // namespace quillon::toolkit::cert
