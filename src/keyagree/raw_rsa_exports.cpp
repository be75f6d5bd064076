// Ordinals 40-42: the raw RSA envelope over key files.
#include "keyagree/raw_rsa.h"
#include "quillon.h"

using namespace quillon;

namespace {

// The output's length, or the failure's number.
int32_t Result(keyagree::RawRsaStatus status, uint32_t produced) {
    if (status != keyagree::kRawRsaDone) return keyagree::ToExportStatus(status);
    return static_cast<int32_t>(produced);
}

}  // namespace

extern "C" QUILLON_API int32_t QUILLON_CALL RawRsaPublic(const char* path, uint8_t* buffer,
                                                         uint32_t length) {
    uint32_t produced = 0;
    const keyagree::RawRsaStatus status = keyagree::RawRsaWrap(path, buffer, length, produced);
    return Result(status, produced);
}

extern "C" QUILLON_API int32_t QUILLON_CALL RawRsaPrivate(const char* path, uint8_t* buffer,
                                                          uint32_t length) {
    uint32_t produced = 0;
    const keyagree::RawRsaStatus status = keyagree::RawRsaUnwrap(path, buffer, length, produced);
    return Result(status, produced);
}

extern "C" QUILLON_API uint16_t QUILLON_CALL HostToBigEndian16(uint32_t value) {
    return keyagree::HostToBigEndian16Value(value);
}
