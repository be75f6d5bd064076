// RSA key-pair generation: the key-generation engine (two primes, e = 4097) against OpenSSL's
// RSA_generate_key_ex with the same exponent. Each run is one key pair; the spread between runs
// is large (the prime search ends at a random point), so read the medians:
//
//   ./build/default/bench/rsa_keygen_bench --benchmark_report_aggregates_only=true
//
// The engine rows draw their random bytes from OpenSSL's generator; the export row
// (RsaGenerateKeyPair, 1024 bits) pays the module's seeded random object as callers do.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <cstdint>

#include "quillon.h"
#include "toolkit/methods/rsa_keygen_engine.h"

namespace {

using namespace quillon::toolkit;

constexpr std::uint8_t kExponent[] = {0x10, 0x01};  // 4097
constexpr int kRuns = 31;

MethodStatus OpenSslRandom(void*, std::uint8_t* out, std::uint32_t length) {
    return RAND_bytes(out, static_cast<int>(length)) == 1 ? method::kOk : method::kFailure;
}

void KeyGenQuillon(benchmark::State& state, int bits) {
    const methods::RsaKeyGenParameters parameters = {static_cast<std::uint32_t>(bits), 2,
                                                     kExponent};
    for (auto _ : state) {
        methods::RsaKeyGenKey key;
        if (methods::RsaKeyGenGenerate(parameters, OpenSslRandom, nullptr, key, nullptr) !=
            method::kOk) {
            state.SkipWithError("generation failed");
            break;
        }
        benchmark::DoNotOptimize(key.modulus.data());
    }
}

void KeyGenExport(benchmark::State& state, int bits) {
    for (auto _ : state) {
        KeyHandle* publicKey = nullptr;
        KeyHandle* privateKey = nullptr;
        if (RsaGenerateKeyPair(&publicKey, &privateKey, static_cast<std::uint32_t>(bits)) != 0) {
            state.SkipWithError("generation failed");
            break;
        }
        RsaDestroyKey(&publicKey);
        RsaDestroyKey(&privateKey);
    }
}

void KeyGenOpenSsl(benchmark::State& state, int bits) {
    BIGNUM* e = BN_new();
    BN_set_word(e, 4097);
    for (auto _ : state) {
        RSA* rsa = RSA_new();
        if (RSA_generate_key_ex(rsa, bits, e, nullptr) != 1) {
            state.SkipWithError("generation failed");
        }
        RSA_free(rsa);
    }
    BN_free(e);
}

// Rows rsa_keygen/<bits>/<impl>.
void Register(const char* name, void (*function)(benchmark::State&, int), int bits) {
    benchmark::RegisterBenchmark(name, function, bits)
        ->Iterations(1)
        ->Repetitions(kRuns)
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    Register("rsa_keygen/1024/quillon", KeyGenQuillon, 1024);
    Register("rsa_keygen/1024/quillon_export", KeyGenExport, 1024);
    Register("rsa_keygen/1024/openssl", KeyGenOpenSsl, 1024);
    Register("rsa_keygen/2048/quillon", KeyGenQuillon, 2048);
    Register("rsa_keygen/2048/openssl", KeyGenOpenSsl, 2048);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
