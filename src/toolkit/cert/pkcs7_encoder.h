// The certificate toolkit's message encoders (PKCS #7, RFC 2315): a data message and a
// signed-data message without signers, which carries certificates only. Messages are DER in a
// block from the checked allocator, released with CertReleaseMessage.
#pragma once

#include <cstdint>

#include "toolkit/cert/cert_context.h"
#include "toolkit/cert/cert_list.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/item.h"

namespace quillon::toolkit::cert {

// ContentInfo { data, [0] EXPLICIT OCTET STRING } — without the [0] when content is null.
// kCertNotContext not a context, kCertNullArgument ("dataMsg") for a null message,
// kCertOutOfMemory.
[[nodiscard]] CertStatus CertEncodeDataMessage(CertContext* context, const Item* content,
                                               Item* dataMsg);

// ContentInfo { signedData, SignedData { version 1, no digest algorithms, the encapsulated
// content (a message such as the data message, one DER element), the certificates of the list
// (none when it is null), no revocation lists, no signers } }. options must be 0 (else
// kCertBadOptions, "cmsOptions"). kCertNotContext not a context, kCertNullArgument
// ("signedDataMsg", "dataMsg") for a null message, kCertNotList not a list, kCertBadData
// content that is not one DER element, kCertOutOfMemory.
[[nodiscard]] CertStatus CertEncodeSignedDataMessage(CertContext* context, const Item* dataMsg,
                                                     const CertList* certificates,
                                                     std::uint32_t options, Item* signedDataMsg);

// Frees a message's bytes and empties it.
void CertReleaseMessage(Item* message);

// A message released when it goes out of scope: the encoders write into Receive().
class OwnedMessage {
  public:
    OwnedMessage() = default;
    OwnedMessage(const OwnedMessage&) = delete;
    OwnedMessage& operator=(const OwnedMessage&) = delete;
    ~OwnedMessage() { CertReleaseMessage(&message_); }

    // The message's address for an encoder; whatever was held is released first.
    [[nodiscard]] Item* Receive() {
        CertReleaseMessage(&message_);
        return &message_;
    }
    [[nodiscard]] const Item& get() const { return message_; }

  private:
    Item message_{};
};

}  // namespace quillon::toolkit::cert
