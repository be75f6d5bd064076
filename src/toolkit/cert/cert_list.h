// Certificate lists: an ordered list of certificate objects, as the message encoders take them.
// A list refers to its certificates without owning them; they must outlive the list.
#pragma once

#include <cstdint>

#include "toolkit/cert/cert_object.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

struct CertList {
    const std::uint32_t* typeMarker;  // &kCertListMarker
    CertList* self;
    CertObject** items;
    std::uint32_t count;
    std::uint32_t capacity;
};

extern const std::uint32_t kCertListMarker;

[[nodiscard]] inline bool IsCertList(const CertList* list) {
    return list != nullptr && list->self == list && list->typeMarker == &kCertListMarker;
}

// Writes a new empty list, or null: kCertNullArgument ("certList") for a null address,
// kCertOutOfMemory.
[[nodiscard]] CertStatus CertListCreate(CertList** list);

// Appends a certificate object that holds a certificate. kCertNotList not a list,
// kCertNotCertificate not a certificate object, kCertBadData an object without a certificate,
// kCertOutOfMemory.
[[nodiscard]] CertStatus CertListAdd(CertList* list, CertObject* cert);

// Releases a valid list (not its certificates); always clears the variable.
void CertListDestroy(CertList** list);

}  // namespace quillon::toolkit::cert
