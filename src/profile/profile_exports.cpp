// Ordinals 17-23: the credential profile readers and the release of what they return. The
// certificate readers report the stage that failed, the key readers only success or 0.
#include "profile/profile_unlock.h"
#include "quillon.h"
#include "support/checked_alloc.h"

using namespace quillon;

namespace {

// The numbers quillon.h promises to callers of the certificate readers.
static_assert(profile::ToExportStatus(profile::kProfileNotLoaded) == PROFILE_E_LOAD &&
              profile::ToExportStatus(profile::kProfileWrongMacAlgorithm) ==
                  PROFILE_E_MAC_ALGORITHM &&
              profile::ToExportStatus(profile::kProfileNoMacKeyMemory) == PROFILE_E_MAC_KEY &&
              profile::ToExportStatus(profile::kProfileNoKeyMemory) == PROFILE_E_KEY &&
              profile::ToExportStatus(profile::kProfileNoOutputMemory) == PROFILE_E_OUTPUT &&
              profile::ToExportStatus(profile::kProfileItemUnreadable) == PROFILE_E_UNREADABLE);

// The payload's length, or the failure's number.
std::int32_t ReadCertificate(uint8_t** buffer, const char* path, const char* password,
                             const char* section, const char* key) {
    if (buffer == nullptr || path == nullptr || password == nullptr) {
        return profile::ToExportStatus(profile::kProfileNotLoaded);
    }
    std::uint32_t length = 0;
    const profile::ProfileReadStatus status =
        profile::ProfileReadItem(buffer, length, path, password, section, key);
    if (status != profile::kProfileItemRead) return profile::ToExportStatus(status);
    return static_cast<std::int32_t>(length);
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
