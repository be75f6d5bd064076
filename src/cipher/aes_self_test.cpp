#include "cipher/aes_self_test.h"

#include <cstring>

#include "cipher/aes_context.h"
#include "cipher/aes_modes.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

// Any fixed key serves: the test is a round trip and compares against no stored ciphertext.
constexpr std::uint8_t kKey[16] = {0x51, 0x75, 0x69, 0x6C, 0x6C, 0x6F, 0x6E, 0x20,
                                   0x41, 0x45, 0x53, 0x20, 0x6B, 0x65, 0x79, 0x21};
constexpr char kPlaintext[16] = "etaonrishdlcu\0\0";

}  // namespace

int AesSelfTest() {
    std::uint8_t ciphertext[16] = {};
    std::uint8_t result[16] = {};

    auto* context = support::New<AesContext>();
    if (context == nullptr) return 0;
    AesSetEncryptKey128(kKey, context->encryption);
    // Through the modes, so the test runs on the engine that serves callers.
    AesEcbEncrypt(context->encryption, ciphertext,
                  reinterpret_cast<const std::uint8_t*>(kPlaintext), 1);
    support::WipeAndRelease(context, sizeof(AesContext));

    context = support::New<AesContext>();
    if (context == nullptr) return 0;
    AesSetDecryptKey128(kKey, context->decryption);
    AesEcbDecrypt(context->decryption, result, ciphertext, 1);
    support::WipeAndRelease(context, sizeof(AesContext));

    return std::strncmp(reinterpret_cast<const char*>(result), kPlaintext, 16) == 0 ? 1 : 0;
}

}  // namespace quillon::cipher
