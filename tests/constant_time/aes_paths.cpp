#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "cipher/aes_engine.h"
#include "cipher/aes_modes.h"
#include "constant_time/checked_paths.h"

namespace quillon::constant_time_check {
namespace {

using cipher::AesEngineKind;

// Key setups of both directions and all three sizes, then ECB and CBC both ways over enough
// blocks for the engines' side-by-side groups and a single block left over. Key, plaintext and
// IV are secret; so is everything computed from them (schedules, ciphertext of the secret
// plaintext, decrypted data).
void RunAesPaths(AesEngineKind engine) {
    const AesEngineKind previous = cipher::AesServingEngine();
    if (!cipher::AesServeWithEngine(engine)) {
        std::printf("(the processor as memcheck shows it lacks this engine: not run)\n");
        return;
    }
    constexpr std::size_t kBlocks = 9;
    for (const int keyBytes : {16, 24, 32}) {
        std::uint8_t key[32], iv[16], plain[16 * kBlocks], data[16 * kBlocks];
        for (unsigned i = 0; i < sizeof key; ++i) key[i] = static_cast<std::uint8_t>(i * 41 + 3);
        for (unsigned i = 0; i < sizeof iv; ++i) iv[i] = static_cast<std::uint8_t>(i * 13 + 1);
        for (unsigned i = 0; i < sizeof plain; ++i) {
            plain[i] = static_cast<std::uint8_t>(i * 29 + 5);
            data[i] = static_cast<std::uint8_t>(i * 71 + 9);
        }
        MarkSecret(key, sizeof key);
        MarkSecret(iv, sizeof iv);
        MarkSecret(plain, sizeof plain);
        cipher::AesKeySchedule encryption{}, decryption{};
        (void)cipher::AesSetEncryptKey(key, keyBytes, encryption);
        (void)cipher::AesSetDecryptKey(key, keyBytes, decryption);
        std::uint8_t out[sizeof plain];
        cipher::AesEcbEncrypt(encryption, out, plain, kBlocks);
        // Public ciphertext under the secret key.
        cipher::AesEcbDecrypt(decryption, out, data, kBlocks);
        std::memcpy(out, plain, sizeof out);
        cipher::AesCbcEncrypt(encryption, out, kBlocks, iv);
        MarkSecret(iv, sizeof iv);
        cipher::AesCbcDecrypt(decryption, data, kBlocks, iv);
    }
    (void)cipher::AesServeWithEngine(previous);
}

}  // namespace

void CheckAesPortable() {
    RunAesPaths(AesEngineKind::kPortable);
}
void CheckAesVectorPermute() {
    RunAesPaths(AesEngineKind::kVectorPermute);
}
void CheckAesInstructions() {
    RunAesPaths(AesEngineKind::kInstructions);
}

}  // namespace quillon::constant_time_check
