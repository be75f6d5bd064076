// AES-128/256 ECB and CBC over 8 KiB buffers: Quillon's exports against OpenSSL's EVP.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "evp_cipher_loop.h"
#include "quillon.h"

namespace {

constexpr size_t kBufferSize = 8 * 1024;
const uint8_t kKey[32] = {0x60, 0x3D, 0xEB, 0x10, 0x15, 0xCA, 0x71, 0xBE, 0x2B, 0x73, 0xAE,
                          0xF0, 0x85, 0x7D, 0x77, 0x81, 0x1F, 0x35, 0x2C, 0x07, 0x3B, 0x61,
                          0x08, 0xD7, 0x2D, 0x98, 0x10, 0xA3, 0x09, 0x14, 0xDF, 0xF4};

enum class Mode { kEcb, kCbc };

void Quillon(benchmark::State& state, int keyBits, Mode mode, bool encrypt) {
    AesContext* context = nullptr;
    AesCreateContext(&context, encrypt ? 0 : 1, keyBits, kKey);
    std::vector<uint8_t> buffer(kBufferSize, 0x5A);
    uint8_t iv[16] = {};
    for (auto _ : state) {
        if (mode == Mode::kCbc) {
            AesCbcCrypt(encrypt ? 1 : 0, buffer.data(), kBufferSize, &context, iv);
        } else if (encrypt) {
            AesEncryptBlocks(&context, buffer.data(), buffer.data(), kBufferSize);
        } else {
            AesDecryptBlocks(&context, buffer.data(), buffer.data(), kBufferSize);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
    AesDestroyContext(&context);
}

const EVP_CIPHER* OpenSslCipher(int keyBits, Mode mode) {
    if (mode == Mode::kEcb) return keyBits == 128 ? EVP_aes_128_ecb() : EVP_aes_256_ecb();
    return keyBits == 128 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
}

void OpenSsl(benchmark::State& state, int keyBits, Mode mode, bool encrypt) {
    quillon::bench::RunEvpCipher(state, OpenSslCipher(keyBits, mode), kKey, encrypt, kBufferSize);
}

void KeySetupQuillon(benchmark::State& state, bool encrypt) {
    for (auto _ : state) {
        AesContext* context = nullptr;
        AesCreateContext(&context, encrypt ? 0 : 1, 128, kKey);
        benchmark::DoNotOptimize(context);
        AesDestroyContext(&context);
    }
}

void KeySetupOpenSsl(benchmark::State& state, bool encrypt) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    for (auto _ : state) {
        EVP_CipherInit_ex(context, EVP_aes_128_ecb(), nullptr, kKey, nullptr, encrypt ? 1 : 0);
        benchmark::DoNotOptimize(context);
    }
    EVP_CIPHER_CTX_free(context);
}

#define AES_ROW(name, bits, mode, encrypt)                                         \
    BENCHMARK_CAPTURE(Quillon, name, bits, mode, encrypt)->Name(#name "/quillon"); \
    BENCHMARK_CAPTURE(OpenSsl, name, bits, mode, encrypt)->Name(#name "/openssl")

AES_ROW(aes128_ecb_enc, 128, Mode::kEcb, true);
AES_ROW(aes128_ecb_dec, 128, Mode::kEcb, false);
AES_ROW(aes128_cbc_enc, 128, Mode::kCbc, true);
AES_ROW(aes128_cbc_dec, 128, Mode::kCbc, false);
AES_ROW(aes256_ecb_enc, 256, Mode::kEcb, true);
AES_ROW(aes256_ecb_dec, 256, Mode::kEcb, false);
AES_ROW(aes256_cbc_enc, 256, Mode::kCbc, true);
AES_ROW(aes256_cbc_dec, 256, Mode::kCbc, false);
BENCHMARK_CAPTURE(KeySetupQuillon, enc, true)->Name("aes128_key_setup_enc/quillon");
BENCHMARK_CAPTURE(KeySetupOpenSsl, enc, true)->Name("aes128_key_setup_enc/openssl");
BENCHMARK_CAPTURE(KeySetupQuillon, dec, false)->Name("aes128_key_setup_dec/quillon");
BENCHMARK_CAPTURE(KeySetupOpenSsl, dec, false)->Name("aes128_key_setup_dec/openssl");

}  // namespace

BENCHMARK_MAIN();
