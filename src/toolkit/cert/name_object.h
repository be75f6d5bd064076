// Name objects: the entries of an X.501 Name (attribute type and value, each marked whether it
// begins a new relative distinguished name) and their text, built on the first request and
// kept. A name object lives inside the certificate object whose DER it views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "der/der_reader.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

struct NameEntry {
    std::span<const std::uint8_t> type;  // OBJECT IDENTIFIER contents
    der::DerElement value;               // the AttributeValue element as encoded
    bool beginsRdn;
};

struct NameObject {
    const std::uint32_t* typeMarker;  // &kNameObjectMarker
    NameObject* self;
    NameEntry* entries;  // DER order
    std::uint32_t count;
    char* text;  // built by NameGetString, null until then
};

extern const std::uint32_t kNameObjectMarker;

[[nodiscard]] inline bool IsNameObject(const NameObject* name) {
    return name != nullptr && name->self == name && name->typeMarker == &kNameObjectMarker;
}

// Makes *name an empty name object (no entries, no text).
void NameInit(NameObject* name);

// Reads the entries of a Name (its whole DER encoding); the entries view the bytes, which must
// outlive the object. kCertBadData for a malformed Name, kCertLengthOutOfRange when it is cut
// short, kCertOutOfMemory when out of memory.
[[nodiscard]] CertStatus NameDecode(NameObject* name, std::span<const std::uint8_t> der);

// The name as text, built on the first call and returned again on later ones; owned by the
// name object. kCertNotName when name is not a name object, kCertNullArgument ("text") for a null
// text address.
[[nodiscard]] CertStatus NameGetString(const char** text, NameObject* name);

// Frees the entries and the text and leaves the object unusable.
void NameRelease(NameObject* name);

}  // namespace quillon::toolkit::cert
