// Ordinals 17-23: the credential profile readers and the release of what they return. The
// certificate readers report the stage that failed, the key readers only success or 0.
#include "profile/profile_unlock.h"
#include "quillon.h"
#include "support/checked_alloc.h"

using namespace quillon;

namespace {

std::int32_t ReadCertificate(uint8_t** buffer, const char* path, const char* password,
                             const char* section, const char* key) {
    if (buffer == nullptr || path == nullptr || password == nullptr) {
        return profile::kProfileNotLoaded;
    }
    return profile::ProfileReadItem(buffer, path, password, section, key);
}

std::int32_t ReadKey(uint8_t** buffer, const char* path, const char* password, const char* section,
                     const char* key) {
    const std::int32_t result = ReadCertificate(buffer, path, password, section, key);
    return result > 0 ? result : 0;
}

}  // namespace

extern "C" QUILLON_API int32_t QUILLON_CALL ProfileGetSignatureCertificate(uint8_t** buffer,
                                                                           const char* path,
                                                                           const char* password) {
    return ReadCertificate(buffer, path, password, "Digital Signature", "Certificate");
}

extern "C" QUILLON_API int32_t QUILLON_CALL ProfileGetCaCertificates(uint8_t** buffer,
                                                                     const char* path,
                                                                     const char* password) {
    return ReadCertificate(buffer, path, password, "CA Certificates", "Certificate");
}

extern "C" QUILLON_API int32_t QUILLON_CALL ProfileGetSignatureKey(uint8_t** buffer,
                                                                   const char* path,
                                                                   const char* password) {
    return ReadKey(buffer, path, password, "Digital Signature", "Key");
}

extern "C" QUILLON_API int32_t QUILLON_CALL ProfileGetPrivateKey1(uint8_t** buffer,
                                                                  const char* path,
                                                                  const char* password) {
    return ReadKey(buffer, path, password, "Private Keys", "Key1");
}

extern "C" QUILLON_API int32_t QUILLON_CALL ProfileGetPrivateKey2(uint8_t** buffer,
                                                                  const char* path,
                                                                  const char* password) {
    return ReadKey(buffer, path, password, "Private Keys", "Key2");
}

extern "C" QUILLON_API void QUILLON_CALL ProfileFreeBuffer(uint8_t* buffer) {
    support::Release(buffer);
}
