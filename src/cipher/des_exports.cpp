// Ordinals 9 and 10: argument rules around DES and triple-DES CBC.
#include "cipher/des_modes.h"
#include "quillon.h"

using namespace quillon;

namespace {

// Nothing is read or written unless the key is present and the IV buffer holds a whole block.
// A negative length is refused the same way: taken as a size it would run far past the buffer.
bool Accepts(const uint8_t* data, int32_t length, const uint8_t* key, const uint8_t* iv,
             const uint32_t* ivSize) {
    if (key == nullptr || ivSize == nullptr || *ivSize < 8) return false;
    if (length < 0 || iv == nullptr) return false;
    return data != nullptr || length == 0;
}

}  // namespace

extern "C" QUILLON_API void QUILLON_CALL DesCbcCrypt(int32_t encrypt, uint8_t* data, int32_t length,
                                                     const uint8_t* key, uint8_t* iv,
                                                     uint32_t* ivSize) {
    if (!Accepts(data, length, key, iv, ivSize)) return;
    cipher::DesCbc(encrypt != 0, data, static_cast<size_t>(length), key, iv);
    *ivSize = 8;
}

extern "C" QUILLON_API void QUILLON_CALL TripleDesCbcCrypt(int32_t encrypt, uint8_t* data,
                                                           int32_t length, const uint8_t* key,
                                                           uint8_t* iv, uint32_t* ivSize) {
    if (!Accepts(data, length, key, iv, ivSize)) return;
    *ivSize = 8;
    cipher::TripleDesCbc(encrypt != 0, data, static_cast<size_t>(length), key, iv);
}
