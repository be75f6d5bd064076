// Ordinals 40-42: the raw RSA envelope over key files.
#include "keyagree/raw_rsa.h"
#include "quillon.h"

using namespace quillon;

extern "C" QUILLON_API int32_t QUILLON_CALL RawRsaPublic(const char* path, uint8_t* buffer,
                                                         uint32_t length) {
    return keyagree::RawRsaWrap(path, buffer, length);
}

extern "C" QUILLON_API int32_t QUILLON_CALL RawRsaPrivate(const char* path, uint8_t* buffer,
                                                          uint32_t length) {
    return keyagree::RawRsaUnwrap(path, buffer, length);
}

extern "C" QUILLON_API uint16_t QUILLON_CALL HostToBigEndian16(uint32_t value) {
    return keyagree::HostToBigEndian16Value(value);
}
