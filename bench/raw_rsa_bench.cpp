// The raw RSA envelope through its exports on key files written by the test fixture: wraps
// (RawRsaPublic, which reads the key file again on every call, since a successful wrap drops
// the path's cache entry) and unwraps (RawRsaPrivate, served from the cache after the first
// call) per second, for 1024- and 2048-bit keys with a 16-byte secret; beside them OpenSSL's
// unpadded RSA on the same keys (RSA_public_encrypt, and RSA_private_decrypt at its defaults,
// blinding on).
#include <benchmark/benchmark.h>
#include <openssl/rsa.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "quillon.h"

namespace {

using quillon::test::RawRsaTestKey;
using quillon::test::TemporaryDirectory;

// A key file in a temporary directory that goes with it at exit.
struct KeyFile {
    RawRsaTestKey key;
    TemporaryDirectory directory;
    std::string path;
    explicit KeyFile(int bits)
        : key(bits, 65537, "benchkey"),
          path(directory.Write("key" + std::to_string(bits), key.FileText())) {}
};

const KeyFile& FileOf(int bits) {
    static const KeyFile small(1024);
    static const KeyFile large(2048);
    return bits == 1024 ? small : large;
}

constexpr uint32_t kSecretLength = 16;

void Wrap(benchmark::State& state) {
    const KeyFile& file = FileOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> buffer(10 + 512);
    for (auto _ : state) {
        std::memset(buffer.data(), 0x3C, kSecretLength);
        if (RawRsaPublic(file.path.c_str(), buffer.data(), kSecretLength) <= 0) {
            state.SkipWithError("RawRsaPublic");
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

void Unwrap(benchmark::State& state) {
    const KeyFile& file = FileOf(static_cast<int>(state.range(0)));
    std::vector<uint8_t> wrapped(10 + 512, 0x3C);
    const int32_t length = RawRsaPublic(file.path.c_str(), wrapped.data(), kSecretLength);
    if (length <= 0) state.SkipWithError("RawRsaPublic");
    std::vector<uint8_t> buffer(wrapped.size());
    for (auto _ : state) {
        std::memcpy(buffer.data(), wrapped.data(), wrapped.size());
        if (RawRsaPrivate(file.path.c_str(), buffer.data(), static_cast<uint32_t>(length)) !=
            static_cast<int32_t>(kSecretLength)) {
            state.SkipWithError("RawRsaPrivate");
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

// OpenSSL's raw operation on the same key: a block of the modulus' size below the modulus
// (leading zero byte), encrypted once per call or decrypted once per call.
void Openssl(benchmark::State& state, bool decrypt) {
    const KeyFile& file = FileOf(static_cast<int>(state.range(0)));
    RSA* rsa = const_cast<RSA*>(file.key.rsa());
    const int size = RSA_size(rsa);
    std::vector<uint8_t> block(static_cast<size_t>(size), 0x3C);
    block[0] = 0;
    std::vector<uint8_t> sealed(block.size());
    std::vector<uint8_t> out(block.size());
    if (RSA_public_encrypt(size, block.data(), sealed.data(), rsa, RSA_NO_PADDING) != size) {
        state.SkipWithError("RSA_public_encrypt");
    }
    for (auto _ : state) {
        const int length =
            decrypt ? RSA_private_decrypt(size, sealed.data(), out.data(), rsa, RSA_NO_PADDING)
                    : RSA_public_encrypt(size, block.data(), out.data(), rsa, RSA_NO_PADDING);
        if (length != size) state.SkipWithError("openssl");
        benchmark::DoNotOptimize(out.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(Openssl, encrypt, false)
    ->Name("raw_rsa_wrap/openssl")
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Openssl, decrypt, true)
    ->Name("raw_rsa_unwrap/openssl")
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Wrap)->Name("raw_rsa_wrap/quillon")->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(Unwrap)
    ->Name("raw_rsa_unwrap/quillon")
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
