// Giving objects their kind and reading it back: AlgSetInfo, AlgGetInfo, KeySetInfo, KeyGetInfo.
#include "toolkit/toolkit.h"

namespace quillon::toolkit {

Status SetWithoutParameters(const AlgInfoDescriptor* kind, AlgObject* object, const void*) {
    return InfoListAdd(object->memory, object->infos, kind, nullptr);
}

Status AlgSetInfo(AlgObject* object, InfoType type, const void* parameters) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    const KindOfType kind = KindOf(type);
    if (kind.code != kAlgorithmInfoCode) return kKeyInfoToAlgorithm;
    if (object->infos.count != 0) return kInfoAlreadySet;
    const auto* descriptor = static_cast<const AlgInfoDescriptor*>(kind.descriptor);
    const AlgInfoClass* infoClass = descriptor->infoClass;
    if (const Status status = infoClass->set(descriptor, object, parameters); status != kOk) {
        return status;
    }
    if (infoClass->makeHandler != nullptr) {
        object->handler = infoClass->makeHandler(descriptor, object);
        if (object->handler == nullptr) return kOutOfMemory;
    }
    return kOk;
}

Status AlgGetInfo(void** info, AlgObject* object, InfoType type) {
    if (!IsAlgObject(object)) return kBadAlgorithmObject;
    const KindOfType kind = KindOf(type);
    if (kind.code != kAlgorithmInfoCode) return kKeyInfoToAlgorithm;
    if (info == nullptr) return kBadParameters;
    if (object->infos.count == 0) return kNotSupported;
    const auto* descriptor = static_cast<const AlgInfoDescriptor*>(kind.descriptor);
    if (descriptor->infoClass->get == nullptr) return kCannotReportInfo;
    return descriptor->infoClass->get(descriptor, object, info);
}

Status KeySetInfo(KeyObject* key, InfoType type, const void* record) {
    if (!IsKeyObject(key)) return kBadKeyObject;
    const KindOfType kind = KindOf(type);
    if (kind.code != kKeyInfoCode) return kWrongAlgorithm;
    if (key->infos.count != 0) return kKeyAlreadySet;
    const auto* descriptor = static_cast<const KeyInfoDescriptor*>(kind.descriptor);
    return descriptor->set(descriptor, key, record);
}

Status KeyGetInfo(void** record, KeyObject* key, InfoType type) {
    if (!IsKeyObject(key)) return kBadKeyObject;
    const KindOfType kind = KindOf(type);
    if (kind.code != kKeyInfoCode) return kWrongAlgorithm;
    if (key->infos.count == 0) return kKeyEmpty;
    if (record == nullptr) return kBadParameters;
    // A form asked for before is answered from the info list: same pointer every time.
    if (const InfoPair* pair = InfoListFind(key->infos, kind.descriptor); pair != nullptr) {
        *record = pair->value;
        return kOk;
    }
    const auto* descriptor = static_cast<const KeyInfoDescriptor*>(kind.descriptor);
    void* form = nullptr;
    if (const Status status = descriptor->get(descriptor, key, &form); status != kOk) {
        return status;
    }
    if (const Status status = InfoListAdd(key->memory, key->infos, descriptor, form);
        status != kOk) {
        return status;
    }
    *record = form;
    return kOk;
}

}  // namespace quillon::toolkit
