// One whole profile read through ordinal 17 (load the file, derive both keys, decrypt and check
// a 1200-byte certificate) at HashCount 1 and 1000, beside the same cryptographic work done
// with OpenSSL's SHA-1 and CAST5 directly (no file, no toolkit objects): the difference is the
// cost of the file and of a fresh toolkit object per SHA-1.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/profile_writer.h"
#include "quillon.h"

namespace {

using quillon::test::Bytes;

constexpr char kPassword[] = "bench password";
constexpr char kSalt[] = "bench salt";
constexpr char kPrefix[] = "Digital SignatureCertificate";

Bytes Certificate() {
    Bytes bytes(1200);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    return bytes;
}

// The profile file for a HashCount, written once per run into the temporary directory.
std::string ProfilePath(int hashCount) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("quillon-profile-bench-" + std::to_string(hashCount) + ".ini"))
                                 .string();
    quillon::test::ProfileWriter writer(kPassword, kSalt, 128, hashCount);
    writer.Item("Digital Signature", "Certificate", Certificate());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << writer.Text();
    return path;
}

void ReadQuillon(benchmark::State& state) {
    const auto hashCount = static_cast<int>(state.range(0));
    const std::string path = ProfilePath(hashCount);
    for (auto _ : state) {
        std::uint8_t* buffer = nullptr;
        const std::int32_t length =
            ProfileGetSignatureCertificate(&buffer, path.c_str(), kPassword);
        if (length != 1200) state.SkipWithError("the read failed");
        ProfileFreeBuffer(buffer);
    }
    std::remove(path.c_str());
}

void ReadOpenSsl(benchmark::State& state) {
    const auto hashCount = static_cast<int>(state.range(0));
    const quillon::test::ProtectionKeys sealing =
        quillon::test::DeriveProtectionKeys(kPassword, kSalt, 128, hashCount);
    const Bytes ciphertext = quillon::test::CastCbcEncrypt(
        sealing.encryptionKey, sealing.iv,
        quillon::test::Padded(quillon::test::ItemPlaintext(sealing, kPrefix, Certificate())));
    Bytes plaintext(ciphertext.size());
    for (auto _ : state) {
        const quillon::test::ProtectionKeys keys =
            quillon::test::DeriveProtectionKeys(kPassword, kSalt, 128, hashCount);
        CAST_KEY key;
        CAST_set_key(&key, static_cast<int>(keys.encryptionKey.size()), keys.encryptionKey.data());
        Bytes iv = keys.iv;
        CAST_cbc_encrypt(ciphertext.data(), plaintext.data(), static_cast<long>(ciphertext.size()),
                         &key, iv.data(), CAST_DECRYPT);
        const std::size_t total = plaintext.size() - plaintext.back() - 8;
        const Bytes mac = quillon::test::CastCbcMac(
            keys.macKey, Bytes(plaintext.begin(), plaintext.begin() + static_cast<long>(total)));
        if (!std::equal(mac.begin(), mac.end(), plaintext.begin() + static_cast<long>(total))) {
            state.SkipWithError("the MAC does not match");
        }
        benchmark::DoNotOptimize(plaintext.data());
    }
}

BENCHMARK(ReadQuillon)
    ->Name("profile_read/quillon")
    ->Arg(1)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadOpenSsl)
    ->Name("profile_read/openssl")
    ->Arg(1)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
