// DES-CBC and three-key triple-DES CBC over 16 KiB buffers: Quillon's exports (which build their
// key schedules on every call) against OpenSSL's EVP (schedules built once) on the same
// buffers. Both end in the same OpenSSL routines, so the ratio measures the exports' overhead.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <vector>

#include "evp_cipher_loop.h"
#include "quillon.h"

namespace {

constexpr size_t kBufferSize = 16 * 1024;
const uint8_t kKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x23, 0x45, 0x67, 0x89,
                          0xAB, 0xCD, 0xEF, 0x01, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};

using CbcCrypt = void (*)(int32_t, uint8_t*, int32_t, const uint8_t*, uint8_t*, uint32_t*);

void Quillon(benchmark::State& state, CbcCrypt crypt, bool encrypt) {
    std::vector<uint8_t> buffer(kBufferSize, 0x5A);
    uint8_t iv[8] = {};
    uint32_t ivSize = 8;
    for (auto _ : state) {
        crypt(encrypt ? 1 : 0, buffer.data(), kBufferSize, kKey, iv, &ivSize);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

// Single DES sits in OpenSSL's legacy provider; loading a provider by hand stops the default
// one from loading by itself, so both are loaded.
void OpenSsl(benchmark::State& state, const char* name, bool encrypt) {
    static OSSL_PROVIDER* const defaultProvider = OSSL_PROVIDER_load(nullptr, "default");
    static OSSL_PROVIDER* const legacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
    benchmark::DoNotOptimize(defaultProvider);
    benchmark::DoNotOptimize(legacyProvider);
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (cipher == nullptr) {
        state.SkipWithError("cipher not available");
        return;
    }
    quillon::bench::RunEvpCipher(state, cipher, kKey, encrypt, kBufferSize);
    EVP_CIPHER_free(cipher);
}

#define DES_ROW(name, crypt, evpName, encrypt)                                \
    BENCHMARK_CAPTURE(Quillon, name, crypt, encrypt)->Name(#name "/quillon"); \
    BENCHMARK_CAPTURE(OpenSsl, name, evpName, encrypt)->Name(#name "/openssl")

DES_ROW(des_cbc_enc, DesCbcCrypt, "DES-CBC", true);
DES_ROW(des_cbc_dec, DesCbcCrypt, "DES-CBC", false);
DES_ROW(des_ede3_cbc_enc, TripleDesCbcCrypt, "DES-EDE3-CBC", true);
DES_ROW(des_ede3_cbc_dec, TripleDesCbcCrypt, "DES-EDE3-CBC", false);

}  // namespace

BENCHMARK_MAIN();
