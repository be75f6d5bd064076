// The SHA-1 and MD5 compression functions on 16 KiB, without handles: both SHA-1 paths (the
// generic one and the processor's SHA instructions) and MD5, side by side with OpenSSL's
// block functions. The generic row is what machines without SHA instructions run.
#include <benchmark/benchmark.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <cstring>
#include <vector>

#include "hash/md5.h"
#include "hash/sha1.h"

namespace {

constexpr size_t kLength = 16384;

void Sha1(benchmark::State& state, void (*compress)(uint32_t*, const uint8_t*, size_t)) {
    if (compress == quillon::hash::Sha1CompressShaInstructions &&
        !quillon::hash::Sha1HasShaInstructions()) {
        state.SkipWithError("no SHA instructions on this processor");
        return;
    }
    std::vector<uint8_t> data(kLength, 0x5A);
    uint32_t words[5];
    std::memcpy(words, quillon::hash::kSha1InitialState, sizeof words);
    for (auto _ : state) {
        compress(words, data.data(), kLength / 64);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLength));
}

void Sha1OpenSsl(benchmark::State& state) {
    std::vector<uint8_t> data(kLength, 0x5A);
    SHA_CTX context;
    SHA1_Init(&context);
    for (auto _ : state) {
        SHA1_Update(&context, data.data(), kLength);
        benchmark::DoNotOptimize(context);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLength));
}

void Md5(benchmark::State& state) {
    std::vector<uint8_t> data(kLength, 0x5A);
    uint32_t words[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    for (auto _ : state) {
        quillon::hash::Md5Compress(words, data.data(), kLength / 64);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLength));
}

void Md5OpenSsl(benchmark::State& state) {
    std::vector<uint8_t> data(kLength, 0x5A);
    MD5_CTX context;
    MD5_Init(&context);
    for (auto _ : state) {
        MD5_Update(&context, data.data(), kLength);
        benchmark::DoNotOptimize(context);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLength));
}

BENCHMARK_CAPTURE(Sha1, generic, quillon::hash::Sha1CompressGeneric)
    ->Name("sha1_compress/16384/generic");
BENCHMARK_CAPTURE(Sha1, instructions, quillon::hash::Sha1CompressShaInstructions)
    ->Name("sha1_compress/16384/sha_instructions");
BENCHMARK(Sha1OpenSsl)->Name("sha1_compress/16384/openssl");
BENCHMARK(Md5)->Name("md5_compress/16384/quillon");
BENCHMARK(Md5OpenSsl)->Name("md5_compress/16384/openssl");

}  // namespace

BENCHMARK_MAIN();
