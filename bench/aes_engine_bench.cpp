// The AES modes on each engine over 16 KiB buffers, without the exports: word arithmetic, byte
// shuffles, the AES instructions and vector AES (made to serve in turn through the modes' engine
// switch), side by side with OpenSSL's EVP. aes_bench measures the engine that serves; these
// rows show what processors without vector AES, without AES instructions or without SSSE3 run.
// With OpenSSL's AES instructions masked (README), its row is its SSSE3 path, the one to beat
// for the byte-shuffle engine.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "cipher/aes_engine.h"
#include "cipher/aes_modes.h"
#include "evp_cipher_loop.h"

namespace {

using quillon::cipher::AesEngineKind;

constexpr size_t kBufferSize = 16 * 1024;
const uint8_t kKey[32] = {0x60, 0x3D, 0xEB, 0x10, 0x15, 0xCA, 0x71, 0xBE, 0x2B, 0x73, 0xAE,
                          0xF0, 0x85, 0x7D, 0x77, 0x81, 0x1F, 0x35, 0x2C, 0x07, 0x3B, 0x61,
                          0x08, 0xD7, 0x2D, 0x98, 0x10, 0xA3, 0x09, 0x14, 0xDF, 0xF4};

enum class Mode { kEcbEncrypt, kEcbDecrypt, kCbcEncrypt, kCbcDecrypt };

bool Encrypts(Mode mode) {
    return mode == Mode::kEcbEncrypt || mode == Mode::kCbcEncrypt;
}

void Engine(benchmark::State& state, AesEngineKind engine, int keyBits, Mode mode) {
    if (!quillon::cipher::AesServeWithEngine(engine)) {
        state.SkipWithError("the processor lacks this engine");
        return;
    }
    quillon::cipher::AesKeySchedule schedule{};
    (void)(Encrypts(mode) ? quillon::cipher::AesSetEncryptKey(kKey, keyBits, schedule)
                          : quillon::cipher::AesSetDecryptKey(kKey, keyBits, schedule));
    std::vector<uint8_t> buffer(kBufferSize, 0x5A);
    uint8_t iv[16] = {};
    constexpr size_t kBlocks = kBufferSize / 16;
    for (auto _ : state) {
        switch (mode) {
            case Mode::kEcbEncrypt:
                quillon::cipher::AesEcbEncrypt(schedule, buffer.data(), buffer.data(), kBlocks);
                break;
            case Mode::kEcbDecrypt:
                quillon::cipher::AesEcbDecrypt(schedule, buffer.data(), buffer.data(), kBlocks);
                break;
            case Mode::kCbcEncrypt:
                quillon::cipher::AesCbcEncrypt(schedule, buffer.data(), kBlocks, iv);
                break;
            case Mode::kCbcDecrypt:
                quillon::cipher::AesCbcDecrypt(schedule, buffer.data(), kBlocks, iv);
                break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

const EVP_CIPHER* OpenSslCipher(int keyBits, Mode mode) {
    const bool ecb = mode == Mode::kEcbEncrypt || mode == Mode::kEcbDecrypt;
    if (ecb) return keyBits == 128 ? EVP_aes_128_ecb() : EVP_aes_256_ecb();
    return keyBits == 128 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
}

void OpenSsl(benchmark::State& state, int keyBits, Mode mode) {
    quillon::bench::RunEvpCipher(state, OpenSslCipher(keyBits, mode), kKey, Encrypts(mode),
                                 kBufferSize);
}

#define AES_ENGINE_ROW(name, bits, mode)                                            \
    BENCHMARK_CAPTURE(Engine, name, AesEngineKind::kPortable, bits, mode)           \
        ->Name(#name "/portable");                                                  \
    BENCHMARK_CAPTURE(Engine, name, AesEngineKind::kVectorPermute, bits, mode)      \
        ->Name(#name "/vperm");                                                     \
    BENCHMARK_CAPTURE(Engine, name, AesEngineKind::kInstructions, bits, mode)       \
        ->Name(#name "/instructions");                                              \
    BENCHMARK_CAPTURE(Engine, name, AesEngineKind::kVectorInstructions, bits, mode) \
        ->Name(#name "/vector");                                                    \
    BENCHMARK_CAPTURE(OpenSsl, name, bits, mode)->Name(#name "/openssl")

AES_ENGINE_ROW(aes128_ecb_enc, 128, Mode::kEcbEncrypt);
AES_ENGINE_ROW(aes128_ecb_dec, 128, Mode::kEcbDecrypt);
AES_ENGINE_ROW(aes128_cbc_enc, 128, Mode::kCbcEncrypt);
AES_ENGINE_ROW(aes128_cbc_dec, 128, Mode::kCbcDecrypt);
AES_ENGINE_ROW(aes256_ecb_enc, 256, Mode::kEcbEncrypt);
AES_ENGINE_ROW(aes256_ecb_dec, 256, Mode::kEcbDecrypt);
AES_ENGINE_ROW(aes256_cbc_enc, 256, Mode::kCbcEncrypt);
AES_ENGINE_ROW(aes256_cbc_dec, 256, Mode::kCbcDecrypt);

}  // namespace

BENCHMARK_MAIN();
