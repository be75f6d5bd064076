// DES-CBC and three-key triple-DES CBC over 16 KiB buffers: Quillon's exports (which build their
// key schedules on every call, on the engine that serves the process, then on the portable
// engine) against OpenSSL's table DES (DES_ncbc_encrypt, DES_ede3_cbc_encrypt, schedules built
// once) on the same buffers. Quillon's DES runs in constant time, so the ratio is the price of
// that against secret-indexed tables. Medians: run with --benchmark_repetitions=N.
#include <benchmark/benchmark.h>
#include <openssl/des.h>

#include <cstring>
#include <vector>

#include "des/des_engine.h"
#include "quillon.h"

namespace {

using quillon::des::EngineKind;

constexpr size_t kBufferSize = 16 * 1024;
const uint8_t kKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x23, 0x45, 0x67, 0x89,
                          0xAB, 0xCD, 0xEF, 0x01, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};

using CbcCrypt = void (*)(int32_t, uint8_t*, int32_t, const uint8_t*, uint8_t*, uint32_t*);

// portable: on the portable engine, else on the one the library chose for this processor.
void Quillon(benchmark::State& state, CbcCrypt crypt, bool encrypt, bool portable) {
    const EngineKind before = quillon::des::ServingEngine();
    if (portable) (void)quillon::des::ServeWithEngine(EngineKind::kPortable);
    std::vector<uint8_t> buffer(kBufferSize, 0x5A);
    uint8_t iv[8] = {};
    uint32_t ivSize = 8;
    for (auto _ : state) {
        crypt(encrypt ? 1 : 0, buffer.data(), kBufferSize, kKey, iv, &ivSize);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
    (void)quillon::des::ServeWithEngine(before);
}

void OpenSsl(benchmark::State& state, bool triple, bool encrypt) {
    DES_key_schedule schedules[3];
    for (int i = 0; i < 3; ++i) {
        DES_cblock part;
        std::memcpy(part, kKey + 8 * i, 8);
        DES_set_key_unchecked(&part, &schedules[i]);
    }
    std::vector<uint8_t> buffer(kBufferSize, 0x5A);
    DES_cblock iv = {};
    const long length = static_cast<long>(kBufferSize);
    const int direction = encrypt ? DES_ENCRYPT : DES_DECRYPT;
    for (auto _ : state) {
        if (triple) {
            DES_ede3_cbc_encrypt(buffer.data(), buffer.data(), length, &schedules[0], &schedules[1],
                                 &schedules[2], &iv, direction);
        } else {
            DES_ncbc_encrypt(buffer.data(), buffer.data(), length, &schedules[0], &iv, direction);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

#define DES_ROW(name, crypt, triple, encrypt)                                                \
    BENCHMARK_CAPTURE(Quillon, name, crypt, encrypt, false)->Name(#name "/quillon");         \
    BENCHMARK_CAPTURE(Quillon, name, crypt, encrypt, true)->Name(#name "/quillon_portable"); \
    BENCHMARK_CAPTURE(OpenSsl, name, triple, encrypt)->Name(#name "/openssl")

DES_ROW(des_cbc_enc, DesCbcCrypt, false, true);
DES_ROW(des_cbc_dec, DesCbcCrypt, false, false);
DES_ROW(des_ede3_cbc_enc, TripleDesCbcCrypt, true, true);
DES_ROW(des_ede3_cbc_dec, TripleDesCbcCrypt, true, false);

}  // namespace

BENCHMARK_MAIN();
