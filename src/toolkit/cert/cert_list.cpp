#include "toolkit/cert/cert_list.h"

#include <cstring>

#include "support/checked_alloc.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {

constinit const std::uint32_t kCertListMarker = 0x434C5354u;  // "CLST"

namespace {

constexpr std::uint32_t kListStep = 4;

}  // namespace

CertStatus CertListCreate(CertList** list) {
    if (list == nullptr) return NullArgument("certList");
    *list = nullptr;
    auto* made = support::New<CertList>();
    if (made == nullptr) return kCertOutOfMemory;
    made->typeMarker = &kCertListMarker;
    made->self = made;
    *list = made;
    return kCertOk;
}

CertStatus CertListAdd(CertList* list, CertObject* cert) {
    if (!IsCertList(list)) return kCertNotList;
    if (!IsCertObject(cert)) return kCertNotCertificate;
    if (cert->der == nullptr) return kCertBadData;
    if (list->count == list->capacity) {
        if (list->capacity > UINT32_MAX / sizeof(CertObject*) - kListStep) return kCertOutOfMemory;
        const std::uint32_t capacity = list->capacity + kListStep;
        auto* items = support::NewArray<CertObject*>(capacity);
        if (items == nullptr) return kCertOutOfMemory;
        if (list->count != 0) std::memcpy(items, list->items, list->count * sizeof(CertObject*));
        support::Release(list->items);
        list->items = items;
        list->capacity = capacity;
    }
    list->items[list->count++] = cert;
    return kCertOk;
}

void CertListDestroy(CertList** list) {
    if (list == nullptr) return;
    if (IsCertList(*list)) {
        support::Release((*list)->items);
        (*list)->self = nullptr;
        support::Release(*list);
    }
    *list = nullptr;
}

}  // namespace quillon::toolkit::cert
