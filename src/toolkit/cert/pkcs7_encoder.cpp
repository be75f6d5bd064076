#include "toolkit/cert/pkcs7_encoder.h"

#include "der/der_oid.h"
#include "der/der_writer.h"
#include "support/checked_alloc.h"
#include "support/owned_block.h"
#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit::cert {
namespace {

using der::DerStatus;
using der::DerWriter;

CertStatus StatusOfWriter(DerStatus status) {
    switch (status) {
        case DerStatus::kOk:
            return kCertOk;
        case DerStatus::kLengthTooLarge:
            return kCertLengthOutOfRange;
        default:
            return kCertBadData;
    }
}

// Runs write once to measure and once into a block of the measured size.
template <typename Write>
CertStatus Encode(Write write, Item* message) {
    DerWriter measure;
    write(measure);
    std::size_t size = 0;
    if (const DerStatus status = measure.Finish(size); status != DerStatus::kOk) {
        return StatusOfWriter(status);
    }
    if (size > UINT32_MAX) return kCertLengthOutOfRange;
    support::OwnedArray<std::uint8_t> bytes(support::NewArray<std::uint8_t>(size));
    if (bytes == nullptr) return kCertOutOfMemory;
    DerWriter writer({bytes.get(), size});
    write(writer);
    if (const DerStatus status = writer.Finish(size); status != DerStatus::kOk) {
        return StatusOfWriter(status);
    }
    *message = {bytes.Release(), static_cast<std::uint32_t>(size)};
    return kCertOk;
}

std::span<const std::uint8_t> View(const Item& item) {
    if (item.data == nullptr) return {};
    return {item.data, item.length};
}

}  // namespace

CertStatus CertEncodeDataMessage(CertContext* context, const Item* content, Item* dataMsg) {
    if (!IsCertContext(context)) return kCertNotContext;
    if (dataMsg == nullptr) return NullArgument("dataMsg");
    *dataMsg = {};
    return Encode(
        [&](DerWriter& w) {
            w.BeginSequence();
            w.WriteOid(der::kOidPkcs7Data.contents());
            if (content != nullptr) {
                w.Begin(der::DerContext(0, true));
                w.WriteOctetString(View(*content));
                w.End();
            }
            w.End();
        },
        dataMsg);
}

CertStatus CertEncodeSignedDataMessage(CertContext* context, const Item* dataMsg,
                                       const CertList* certificates, std::uint32_t options,
                                       Item* signedDataMsg) {
    if (!IsCertContext(context)) return kCertNotContext;
    if (signedDataMsg == nullptr) return NullArgument("signedDataMsg");
    *signedDataMsg = {};
    if (dataMsg == nullptr) return NullArgument("dataMsg");
    if (certificates != nullptr && !IsCertList(certificates)) return kCertNotList;
    if (options != 0) return RefuseArgument("cmsOptions", kCertBadOptions);
    return Encode(
        [&](DerWriter& w) {
            w.BeginSequence();  // ContentInfo
            w.WriteOid(der::kOidPkcs7SignedData.contents());
            w.Begin(der::DerContext(0, true));
            w.BeginSequence();  // SignedData
            w.WriteSmallInteger(1);
            w.BeginSetOf();  // digestAlgorithms: no signers, so none
            w.End();
            w.WriteEncoded(View(*dataMsg));
            if (certificates != nullptr && certificates->count != 0) {
                w.BeginSetOf(der::DerContext(0, true));
                for (std::uint32_t i = 0; i < certificates->count; ++i) {
                    const CertObject* cert = certificates->items[i];
                    w.WriteEncoded({cert->der, cert->derLength});
                }
                w.End();
            }
            w.BeginSetOf();  // signerInfos: none
            w.End();
            w.End();
            w.End();
            w.End();
        },
        signedDataMsg);
}

void CertReleaseMessage(Item* message) {
    if (message == nullptr) return;
    support::Release(message->data);
    *message = {};
}

}  // namespace quillon::toolkit::cert
