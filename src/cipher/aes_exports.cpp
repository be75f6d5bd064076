// Ordinals 4-8: argument rules and handle cells around the AES engine.
#include <cstring>

#include "cipher/aes_context.h"
#include "cipher/aes_modes.h"
#include "quillon.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

using namespace quillon;

extern "C" QUILLON_API int32_t QUILLON_CALL AesCreateContext(AesContext** handle, uint8_t direction,
                                                             int32_t keyLength,
                                                             const uint8_t* key) {
    auto* context = static_cast<AesContext*>(support::AllocateZeroed(sizeof(AesContext)));
    if (context == nullptr) return -1;
    const int keyed = direction == 0
                          ? cipher::AesSetEncryptKey(key, keyLength, context->encryption)
                          : cipher::AesSetDecryptKey(key, keyLength, context->decryption);
    // Stored also when the key length was refused: the caller still owns and destroys it.
    *handle = context;
    return keyed == 0 ? 0 : 1;
}

extern "C" QUILLON_API void QUILLON_CALL AesDestroyContext(AesContext** handle) {
    if (*handle == nullptr) return;
    support::WipeAndRelease(*handle, sizeof(AesContext));
    *handle = nullptr;
}

// A negative length is rejected like a partial block.
static bool IsWholeBlocks(int32_t length) {
    return length >= 0 && (length & 15) == 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL AesEncryptBlocks(AesContext** handle, uint8_t* out,
                                                             const uint8_t* in, int32_t length) {
    if (*handle == nullptr) return -1;
    if (!IsWholeBlocks(length)) return 1;
    cipher::AesEcbEncrypt((*handle)->encryption, out, in, static_cast<size_t>(length) / 16);
    return 0;
}

extern "C" QUILLON_API int32_t QUILLON_CALL AesDecryptBlocks(AesContext** handle, uint8_t* out,
                                                             const uint8_t* in, int32_t length) {
    if (*handle == nullptr) return -1;
    if (!IsWholeBlocks(length)) return 1;
    cipher::AesEcbDecrypt((*handle)->decryption, out, in, static_cast<size_t>(length) / 16);
    return 0;
}

extern "C" QUILLON_API void QUILLON_CALL AesCbcCrypt(int32_t encrypt, uint8_t* data,
                                                     uint32_t length, AesContext** handle,
                                                     uint8_t* iv) {
    if (*handle == nullptr) return;
    if (encrypt != 0) {
        cipher::AesCbcEncrypt((*handle)->encryption, data, length / 16, iv);
    } else {
        cipher::AesCbcDecrypt((*handle)->decryption, data, length / 16, iv);
    }
}
