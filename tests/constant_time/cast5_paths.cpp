#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "constant_time/checked_paths.h"
#include "profile/cast5.h"

namespace quillon::constant_time_check {

void CheckCast5() {
    using namespace quillon::profile;
    // A 128-bit key (16 rounds) and a 40-bit one (12 rounds), as profiles use both.
    for (const std::uint32_t keyBits : {128u, 40u}) {
        std::uint8_t key[16];
        for (unsigned i = 0; i < sizeof key; ++i) key[i] = static_cast<std::uint8_t>(i * 37 + 11);
        std::uint8_t ciphertext[72];
        for (unsigned i = 0; i < sizeof ciphertext; ++i) {
            ciphertext[i] = static_cast<std::uint8_t>(i * 29 + 5);
        }
        MarkSecret(key, sizeof key);
        CastContext context;
        std::memset(&context, 0, sizeof context);
        if (CastInit(context, key, keyBits) != CastStatus::kOk) continue;
        std::memset(context.chaining, 0x5A, sizeof context.chaining);
        std::uint8_t plain[96];
        std::uint32_t length = sizeof ciphertext;
        (void)CastCbcDecryptUpdate(context, ciphertext, plain, length);
        std::uint32_t finalLength = 0;
        (void)CastCbcDecryptFinal(context, plain + length, finalLength);
        // The decrypted item is as secret as the key; its MAC is checked against the stored one.
        const std::uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        (void)CastMacVerify(context, plain, length + finalLength, expected);
    }
}

}  // namespace quillon::constant_time_check
