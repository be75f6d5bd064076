// The OpenSSL side of the cipher benchmarks: an EVP cipher (no padding, a zero IV) set up once,
// then run over one buffer in place for every iteration of the row.
#pragma once

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

namespace quillon::bench {

inline void RunEvpCipher(benchmark::State& state, const EVP_CIPHER* cipher, const uint8_t* key,
                         bool encrypt, size_t bufferSize) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    const uint8_t iv[EVP_MAX_IV_LENGTH] = {};
    EVP_CipherInit_ex(context, cipher, nullptr, key, iv, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(context, 0);
    std::vector<uint8_t> buffer(bufferSize, 0x5A);
    const int length = static_cast<int>(bufferSize);
    int written = 0;
    for (auto _ : state) {
        EVP_CipherUpdate(context, buffer.data(), &written, buffer.data(), length);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bufferSize));
    EVP_CIPHER_CTX_free(context);
}

}  // namespace quillon::bench
