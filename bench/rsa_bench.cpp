// The RSA operations on toolkit objects and through the exports beside OpenSSL's RSA, on the same
// keys (e = 4097, as the module generates them).
//
// rsa_private: a PKCS #1 type-1 block through InfoRsaPkcsPrivate on a fresh algorithm object per
// call, as RsaEncrypt runs it (formatting is negligible next to the exponentiations); the same
// end to end through RsaEncrypt with a SHA-1 DigestInfo; OpenSSL's RSA_private_encrypt with
// PKCS #1 padding at its default code path (blinding on); and, for reference, its unpadded
// operation without blinding.
// rsa_public: recovering a signature through InfoRsaPkcsPublic and through RsaPublicDecrypt
// beside RSA_public_decrypt with PKCS #1 padding. No random object is in the toolkit rows.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "quillon.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

constexpr unsigned long kExponent = 4097;

// SHA-1 DigestInfo of "abc": what a signature block carries.
constexpr uint8_t kDigestInfo[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03,
                                   0x02, 0x1A, 0x05, 0x00, 0x04, 0x14, 0xA9, 0x99, 0x3E,
                                   0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA, 0x3E, 0x25, 0x71,
                                   0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};

struct TestKey {
    RSA* rsa = nullptr;        // OpenSSL's defaults
    RSA* unblinded = nullptr;  // the same key without blinding
    std::vector<uint8_t> pkcs8;
    std::vector<uint8_t> signature;  // a type-1 block of 20 bytes, made once by OpenSSL
    int size = 0;
};

const TestKey& KeyOf(int bits) {
    static TestKey keys[2];
    TestKey& key = keys[bits == 1024 ? 0 : 1];
    if (key.rsa != nullptr) return key;
    key.rsa = RSA_new();
    BIGNUM* e = BN_new();
    BN_set_word(e, kExponent);
    RSA_generate_key_ex(key.rsa, bits, e, nullptr);
    BN_free(e);
    key.unblinded = RSAPrivateKey_dup(key.rsa);
    RSA_blinding_off(key.unblinded);
    RSA_set_flags(key.unblinded, RSA_FLAG_NO_BLINDING);
    EVP_PKEY* pkey = EVP_PKEY_new();
    RSA_up_ref(key.rsa);
    EVP_PKEY_assign_RSA(pkey, key.rsa);
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(pkey);
    unsigned char* der = nullptr;
    const int length = i2d_PKCS8_PRIV_KEY_INFO(p8, &der);
    key.pkcs8.assign(der, der + length);
    OPENSSL_free(der);
    PKCS8_PRIV_KEY_INFO_free(p8);
    EVP_PKEY_free(pkey);
    key.size = RSA_size(key.rsa);
    key.signature.resize(static_cast<size_t>(key.size));
    const uint8_t message[20] = {1, 2, 3};
    RSA_private_encrypt(20, message, key.signature.data(), key.rsa, RSA_PKCS1_PADDING);
    return key;
}

// ---- The toolkit, as RsaEncrypt and RsaPublicDecrypt drive it -------------------------------

void Quillon(benchmark::State& state, int bits, bool privateSide) {
    const TestKey& key = KeyOf(bits);
    KeyObject* object = nullptr;
    (void)KeyCreate(&object);
    Item der{const_cast<uint8_t*>(key.pkcs8.data()), static_cast<uint32_t>(key.pkcs8.size())};
    if (KeySetInfo(object, KeyInfoRsaPrivateBer, &der) != kOk) state.SkipWithError("key");
    const auto k = static_cast<uint32_t>(key.size);
    std::vector<uint8_t> block(k);
    const uint8_t message[20] = {1, 2, 3};
    for (auto _ : state) {
        AlgObject* alg = nullptr;
        uint32_t a = 0;
        uint32_t b = 0;
        Status status = AlgCreate(&alg);
        if (privateSide) {
            if (status == kOk) status = AlgSetInfo(alg, InfoRsaPkcsPrivate, nullptr);
            if (status == kOk) status = AlgEncryptInit(alg, object, DefaultChooser, nullptr);
            if (status == kOk) {
                status = AlgEncryptUpdate(alg, block.data(), &a, k, message, 20, nullptr, nullptr);
            }
            if (status == kOk) status = AlgEncryptFinal(alg, block.data(), &b, k, nullptr, nullptr);
        } else {
            if (status == kOk) status = AlgSetInfo(alg, InfoRsaPkcsPublic, nullptr);
            if (status == kOk) status = AlgDecryptInit(alg, object, DefaultChooser, nullptr);
            if (status == kOk) {
                status = AlgDecryptUpdate(alg, block.data(), &a, k, key.signature.data(), k,
                                          nullptr, nullptr);
            }
            if (status == kOk) status = AlgDecryptFinal(alg, block.data(), &b, k, nullptr, nullptr);
        }
        if (status != kOk) state.SkipWithError("toolkit operation");
        (void)AlgDestroy(&alg);
        benchmark::DoNotOptimize(block.data());
    }
    (void)KeyDestroy(&object);
}

// ---- The exports, end to end --------------------------------------------------------------

void Export(benchmark::State& state, int bits, bool privateSide) {
    const TestKey& key = KeyOf(bits);
    KeyHandle* handle = nullptr;
    if (RsaCreatePrivateKey(&handle, key.pkcs8.data(), static_cast<uint32_t>(key.pkcs8.size())) !=
        0) {
        state.SkipWithError("key");
    }
    std::vector<uint8_t> out(static_cast<size_t>(key.size));
    for (auto _ : state) {
        auto capacity = static_cast<uint32_t>(out.size());
        const int32_t status =
            privateSide ? RsaEncrypt(handle, kDigestInfo, sizeof kDigestInfo, out.data(), &capacity)
                        : RsaPublicDecrypt(handle, key.signature.data(),
                                           static_cast<uint32_t>(key.signature.size()), out.data(),
                                           &capacity);
        if (status != 0) state.SkipWithError("export");
        benchmark::DoNotOptimize(out.data());
    }
    RsaDestroyKey(&handle);
}

// ---- OpenSSL --------------------------------------------------------------------------------

void Openssl(benchmark::State& state, int bits, bool privateSide) {
    const TestKey& key = KeyOf(bits);
    std::vector<uint8_t> out(static_cast<size_t>(key.size));
    for (auto _ : state) {
        const int length = privateSide ? RSA_private_encrypt(sizeof kDigestInfo, kDigestInfo,
                                                             out.data(), key.rsa, RSA_PKCS1_PADDING)
                                       : RSA_public_decrypt(key.size, key.signature.data(),
                                                            out.data(), key.rsa, RSA_PKCS1_PADDING);
        if (length <= 0) state.SkipWithError("openssl");
        benchmark::DoNotOptimize(out.data());
    }
}

void OpensslUnpadded(benchmark::State& state, int bits) {
    const TestKey& key = KeyOf(bits);
    std::vector<uint8_t> in(static_cast<size_t>(key.size), 0x5A), out(in.size());
    in[0] = 0;
    for (auto _ : state) {
        RSA_private_encrypt(key.size, in.data(), out.data(), key.unblinded, RSA_NO_PADDING);
        benchmark::DoNotOptimize(out.data());
    }
}

void Register() {
    for (const int bits : {1024, 2048}) {
        const std::string size = std::to_string(bits);
        const std::string crt = "rsa_private/" + size + "/";
        const std::string pub = "rsa_public/" + size + "/";
        benchmark::RegisterBenchmark((crt + "quillon").c_str(), Quillon, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "quillon_export").c_str(), Export, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "openssl").c_str(), Openssl, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "openssl_unpadded_unblinded").c_str(), OpensslUnpadded,
                                     bits)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((pub + "quillon").c_str(), Quillon, bits, false)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((pub + "quillon_export").c_str(), Export, bits, false)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((pub + "openssl").c_str(), Openssl, bits, false)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
