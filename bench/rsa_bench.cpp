// The RSA operations on toolkit objects against OpenSSL on the same key: the private-key
// operation (PKCS #1 type 1 block through InfoRsaPkcsPrivate: formatting is negligible next to
// the exponentiations) against RSA_private_decrypt without padding, and the public-key
// operation against RSA_public_encrypt without padding. No random object is in the loop.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <vector>

#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

struct TestKey {
    RSA* rsa = nullptr;
    std::vector<uint8_t> pkcs8;
};

const TestKey& KeyOf(int bits) {
    static TestKey keys[2];
    TestKey& key = keys[bits == 1024 ? 0 : 1];
    if (key.rsa != nullptr) return key;
    key.rsa = RSA_new();
    BIGNUM* e = BN_new();
    BN_set_word(e, RSA_F4);
    RSA_generate_key_ex(key.rsa, bits, e, nullptr);
    BN_free(e);
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
    return key;
}

void Toolkit(benchmark::State& state, bool privateSide) {
    const TestKey& key = KeyOf(static_cast<int>(state.range(0)));
    KeyObject* object = nullptr;
    (void)KeyCreate(&object);
    Item der{const_cast<uint8_t*>(key.pkcs8.data()), static_cast<uint32_t>(key.pkcs8.size())};
    if (KeySetInfo(object, KeyInfoRsaPrivateBer, &der) != kOk) state.SkipWithError("key");
    const uint32_t k = static_cast<uint32_t>(RSA_size(key.rsa));
    std::vector<uint8_t> block(k);
    // The public side recovers a signature made once with the private key.
    std::vector<uint8_t> signature(k);
    const uint8_t message[20] = {1, 2, 3};
    RSA_private_encrypt(20, message, signature.data(), key.rsa, RSA_PKCS1_PADDING);
    for (auto _ : state) {
        AlgObject* alg = nullptr;
        uint32_t a = 0;
        uint32_t b = 0;
        (void)AlgCreate(&alg);
        if (privateSide) {
            (void)AlgSetInfo(alg, InfoRsaPkcsPrivate, nullptr);
            (void)AlgEncryptInit(alg, object, DefaultChooser, nullptr);
            (void)AlgEncryptUpdate(alg, block.data(), &a, k, message, 20, nullptr, nullptr);
            (void)AlgEncryptFinal(alg, block.data(), &b, k, nullptr, nullptr);
        } else {
            (void)AlgSetInfo(alg, InfoRsaPkcsPublic, nullptr);
            (void)AlgDecryptInit(alg, object, DefaultChooser, nullptr);
            (void)AlgDecryptUpdate(alg, block.data(), &a, k, signature.data(), k, nullptr, nullptr);
            (void)AlgDecryptFinal(alg, block.data(), &b, k, nullptr, nullptr);
        }
        (void)AlgDestroy(&alg);
        benchmark::DoNotOptimize(block.data());
    }
    (void)KeyDestroy(&object);
}

void OpenSsl(benchmark::State& state, bool privateSide) {
    const TestKey& key = KeyOf(static_cast<int>(state.range(0)));
    const int k = RSA_size(key.rsa);
    std::vector<uint8_t> in(static_cast<size_t>(k), 0x5A);
    in[0] = 0;
    std::vector<uint8_t> out(static_cast<size_t>(k));
    for (auto _ : state) {
        if (privateSide) {
            RSA_private_decrypt(k, in.data(), out.data(), key.rsa, RSA_NO_PADDING);
        } else {
            RSA_public_encrypt(k, in.data(), out.data(), key.rsa, RSA_NO_PADDING);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK_CAPTURE(Toolkit, private_op_toolkit, true)
    ->Name("private_op/toolkit")
    ->Arg(1024)
    ->Arg(2048);
BENCHMARK_CAPTURE(OpenSsl, private_op_openssl, true)
    ->Name("private_op/openssl")
    ->Arg(1024)
    ->Arg(2048);
BENCHMARK_CAPTURE(Toolkit, public_op_toolkit, false)
    ->Name("public_op/toolkit")
    ->Arg(1024)
    ->Arg(2048);
BENCHMARK_CAPTURE(OpenSsl, public_op_openssl, false)
    ->Name("public_op/openssl")
    ->Arg(1024)
    ->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
