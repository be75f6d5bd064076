// Ordinals 4-8: argument rules and handle cells around the AES engine.
#include <cstring>

#include "cipher/aes_context.h"
#include "cipher/aes_modes.h"
#include "quillon.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

using namespace quillon;

// AesCreateContext's caller sees 0 for a keyed context, 1 for a key not accepted.
static_assert(cipher::ToExportStatus(cipher::kAesKeySet) == 0 &&
              cipher::ToExportStatus(cipher::kAesKeyRefused) == 1);

extern "C" QUILLON_API int32_t QUILLON_CALL AesCreateContext(AesContext** handle, uint8_t direction,
                                                             int32_t keyLength,
                                                             const uint8_t* key) {
    if (handle == nullptr) return -1;
    auto* context = support::New<AesContext>();
    if (context == nullptr) return -1;
    // A missing key is a key not accepted, like a refused length.
    const cipher::AesKeyStatus keyed =
        key == nullptr   ? cipher::kAesKeyRefused
        : direction == 0 ? cipher::AesSetEncryptKey(key, keyLength, context->encryption)
                         : cipher::AesSetDecryptKey(key, keyLength, context->decryption);
    // Stored also when the key length was refused: the caller still owns and destroys it.
    *handle = context;
    return cipher::ToExportStatus(keyed);
}

extern "C" QUILLON_API void QUILLON_CALL AesDestroyContext(AesContext** handle) {
    if (handle == nullptr || *handle == nullptr) return;
    support::WipeAndRelease(*handle, sizeof(AesContext));
    *handle = nullptr;
}

namespace {

bool IsEmpty(AesContext* const* handle) {
    return handle == nullptr || *handle == nullptr;
}

// A negative length is rejected like a partial block.
bool IsWholeBlocks(int32_t length) {
    return length >= 0 && (length & 15) == 0;
}

// A context holds the schedule of its own direction only, and none when its key was refused;
// creation leaves a missing schedule all zero.
bool HasSchedule(const cipher::AesKeySchedule& schedule) {
    return schedule.info != 0;
}

// 0, or the status of an ECB call that cannot go ahead. Without the direction's schedule the
// data would stay as it was, which must not pass for an encryption or decryption.
int32_t EcbRefusal(AesContext** handle, cipher::AesKeySchedule AesContext::*schedule, uint8_t* out,
                   const uint8_t* in, int32_t length) {
    if (IsEmpty(handle) || !HasSchedule((*handle)->*schedule)) return -1;
    if (!IsWholeBlocks(length)) return 1;
    if (length != 0 && (out == nullptr || in == nullptr)) return -1;
    return 0;
}

}  // namespace

extern "C" QUILLON_API int32_t QUILLON_CALL AesEncryptBlocks(AesContext** handle, uint8_t* out,
                                                             const uint8_t* in, int32_t length) {
    if (const int32_t refused = EcbRefusal(handle, &AesContext::encryption, out, in, length);
        refused != 0) {
        return refused;
    }
    cipher::AesEcbEncrypt((*handle)->encryption, out, in, static_cast<size_t>(length) / 16);
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL AesDecryptBlocks(AesContext** handle, uint8_t* out,
                                                             const uint8_t* in, int32_t length) {
    if (const int32_t refused = EcbRefusal(handle, &AesContext::decryption, out, in, length);
        refused != 0) {
        return refused;
    }
    cipher::AesEcbDecrypt((*handle)->decryption, out, in, static_cast<size_t>(length) / 16);
    return 0;
}

extern "C" QUILLON_API void QUILLON_CALL AesCbcCrypt(int32_t encrypt, uint8_t* data,
                                                     uint32_t length, AesContext** handle,
                                                     uint8_t* iv) {
    if (IsEmpty(handle)) return;
    // With no whole block there is nothing to do; data and IV stay as they are.
    if (length < 16 || data == nullptr || iv == nullptr) return;
    if (encrypt != 0) {
        cipher::AesCbcEncrypt((*handle)->encryption, data, length / 16, iv);
    } else {
        cipher::AesCbcDecrypt((*handle)->decryption, data, length / 16, iv);
    }
}
