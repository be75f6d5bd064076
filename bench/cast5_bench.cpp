// CAST5-CBC decryption and the CAST5 CBC-MAC on the same buffers: Quillon's engine against
// OpenSSL's CAST_cbc_encrypt (the MAC costs one CBC encryption).
#include <benchmark/benchmark.h>
#include <openssl/cast.h>

#include <cstring>
#include <vector>

#include "profile/cast5.h"

namespace {

const std::uint8_t kKey[16] = {0x01, 0x23, 0x45, 0x67, 0x12, 0x34, 0x56, 0x78,
                               0x23, 0x45, 0x67, 0x89, 0x34, 0x56, 0x78, 0x9A};

using quillon::profile::CastContext;

CastContext KeyedContext() {
    CastContext context{};
    (void)quillon::profile::CastInit(context, kKey, 128);
    return context;
}

void CbcDecryptQuillon(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    CastContext context = KeyedContext();
    std::vector<std::uint8_t> in(size, 0x5A), out(size + 16);
    for (auto _ : state) {
        std::memset(context.chaining, 0, 8);
        context.held = 0;
        context.bufferedCount = 0;
        auto length = static_cast<std::uint32_t>(size);
        (void)quillon::profile::CastCbcDecryptUpdate(context, in.data(), out.data(), length);
        std::uint32_t last = 0;
        (void)quillon::profile::CastCbcDecryptFinal(context, out.data() + length, last);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void CbcDecryptOpenSsl(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    CAST_KEY key;
    CAST_set_key(&key, 16, kKey);
    std::vector<std::uint8_t> in(size, 0x5A), out(size);
    for (auto _ : state) {
        std::uint8_t iv[8] = {};
        CAST_cbc_encrypt(in.data(), out.data(), static_cast<long>(size), &key, iv, CAST_DECRYPT);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void MacQuillon(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    CastContext context = KeyedContext();
    std::vector<std::uint8_t> in(size, 0x5A);
    const std::uint8_t expected[8] = {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillon::profile::CastMacVerify(
            context, in.data(), static_cast<std::uint32_t>(size), expected));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void MacOpenSsl(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    CAST_KEY key;
    CAST_set_key(&key, 16, kKey);
    std::vector<std::uint8_t> in(size, 0x5A), out(size);
    for (auto _ : state) {
        std::uint8_t iv[8] = {};
        CAST_cbc_encrypt(in.data(), out.data(), static_cast<long>(size), &key, iv, CAST_ENCRYPT);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void KeySetupQuillon(benchmark::State& state) {
    for (auto _ : state) {
        CastContext context{};
        benchmark::DoNotOptimize(quillon::profile::CastInit(context, kKey, 128));
        benchmark::DoNotOptimize(&context);
    }
}

void KeySetupOpenSsl(benchmark::State& state) {
    CAST_KEY key;
    for (auto _ : state) {
        CAST_set_key(&key, 16, kKey);
        benchmark::DoNotOptimize(&key);
    }
}

BENCHMARK(CbcDecryptQuillon)->Name("cast5_cbc_dec/quillon")->Arg(16384)->Arg(1024);
BENCHMARK(CbcDecryptOpenSsl)->Name("cast5_cbc_dec/openssl")->Arg(16384)->Arg(1024);
BENCHMARK(MacQuillon)->Name("cast5_cbc_mac/quillon")->Arg(16384)->Arg(1024);
BENCHMARK(MacOpenSsl)->Name("cast5_cbc_mac/openssl")->Arg(16384)->Arg(1024);
BENCHMARK(KeySetupQuillon)->Name("cast5_key_setup/quillon");
BENCHMARK(KeySetupOpenSsl)->Name("cast5_key_setup/openssl");

}  // namespace

BENCHMARK_MAIN();
