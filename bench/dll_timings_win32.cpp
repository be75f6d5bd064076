// The DLL's public-key operations beside the OpenSSL linked into the same 32-bit program, for
// running under Wine (Google Benchmark has no build for the target). Each row is the best of five
// runs of at least 0.3 s; key generation is the median of 31 keys. Rows are named like the Linux
// benchmarks' (rsa_bench, dh_bench, rsa_keygen_bench), so the two can be put side by side:
//   bash scripts/wine-env.sh wine build/mingw/bench/dll_timings_win32.exe
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "quillon.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned long kExponent = 4097;  // as the module generates keys
constexpr int kDhExponentBits = 256;

// SHA-1 DigestInfo of "abc": what a signature block carries.
constexpr std::uint8_t kDigestInfo[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03,
                                        0x02, 0x1A, 0x05, 0x00, 0x04, 0x14, 0xA9, 0x99, 0x3E,
                                        0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA, 0x3E, 0x25, 0x71,
                                        0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
}

// Microseconds per call: the best of five runs of at least 0.3 s each.
double MicrosecondsPerCall(const std::function<void()>& call) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        long calls = 0;
        const auto start = Clock::now();
        auto elapsed = Clock::duration::zero();
        do {
            call();
            ++calls;
            elapsed = Clock::now() - start;
        } while (elapsed < std::chrono::milliseconds(300));
        best = std::min(best, std::chrono::duration<double, std::micro>(elapsed).count() / calls);
    }
    return best;
}

double MedianMilliseconds(int count, const std::function<void()>& call) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        call();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + count / 2, times.end());
    return times[count / 2];
}

void Row(const char* operation, int argument, double quillon, double openssl, const char* unit) {
    std::printf("%-14s %5d  quillon %10.1f %s  openssl %10.1f %s  ratio %.2f\n", operation,
                argument, quillon, unit, openssl, unit, openssl / quillon);
}

struct RsaKey {
    RSA* rsa = RSA_new();
    std::vector<std::uint8_t> pkcs8;
    std::vector<std::uint8_t> signature;
    explicit RsaKey(int bits) {
        BIGNUM* e = BN_new();
        BN_set_word(e, kExponent);
        Require(RSA_generate_key_ex(rsa, bits, e, nullptr) == 1, "OpenSSL key");
        BN_free(e);
        PKCS8_PRIV_KEY_INFO* info = nullptr;
        EVP_PKEY* pkey = EVP_PKEY_new();
        RSA_up_ref(rsa);
        EVP_PKEY_assign_RSA(pkey, rsa);
        info = EVP_PKEY2PKCS8(pkey);
        unsigned char* der = nullptr;
        const int length = i2d_PKCS8_PRIV_KEY_INFO(info, &der);
        pkcs8.assign(der, der + length);
        OPENSSL_free(der);
        PKCS8_PRIV_KEY_INFO_free(info);
        EVP_PKEY_free(pkey);
        signature.resize(static_cast<std::size_t>(RSA_size(rsa)));
        RSA_private_encrypt(sizeof kDigestInfo, kDigestInfo, signature.data(), rsa,
                            RSA_PKCS1_PADDING);
    }
    ~RsaKey() { RSA_free(rsa); }
};

void RsaRows(int bits) {
    const RsaKey key(bits);
    KeyHandle* handle = nullptr;
    Require(RsaCreatePrivateKey(&handle, key.pkcs8.data(),
                                static_cast<std::uint32_t>(key.pkcs8.size())) == 0,
            "RsaCreatePrivateKey");
    std::vector<std::uint8_t> out(key.signature.size());
    const double ours = MicrosecondsPerCall([&] {
        auto capacity = static_cast<std::uint32_t>(out.size());
        Require(RsaEncrypt(handle, kDigestInfo, sizeof kDigestInfo, out.data(), &capacity) == 0,
                "RsaEncrypt");
    });
    Require(out == key.signature, "the same signature as OpenSSL's");
    const double theirs = MicrosecondsPerCall([&] {
        RSA_private_encrypt(sizeof kDigestInfo, kDigestInfo, out.data(), key.rsa,
                            RSA_PKCS1_PADDING);
    });
    Row("rsa_private", bits, ours, theirs, "us");
    RsaDestroyKey(&handle);

    std::vector<std::uint8_t> modulus(key.signature.size()), exponent(4);
    const BIGNUM *n = nullptr, *e = nullptr;
    RSA_get0_key(key.rsa, &n, &e, nullptr);
    BN_bn2binpad(n, modulus.data(), static_cast<int>(modulus.size()));
    BN_bn2binpad(e, exponent.data(), static_cast<int>(exponent.size()));
    Require(RsaCreatePublicKey(&handle, modulus.data(), static_cast<std::uint32_t>(modulus.size()),
                               exponent.data(), 4) == 0,
            "RsaCreatePublicKey");
    const double oursPublic = MicrosecondsPerCall([&] {
        auto capacity = static_cast<std::uint32_t>(out.size());
        Require(RsaPublicDecrypt(handle, key.signature.data(),
                                 static_cast<std::uint32_t>(key.signature.size()), out.data(),
                                 &capacity) == 0,
                "RsaPublicDecrypt");
    });
    const double theirsPublic = MicrosecondsPerCall([&] {
        RSA_public_decrypt(static_cast<int>(key.signature.size()), key.signature.data(), out.data(),
                           key.rsa, RSA_PKCS1_PADDING);
    });
    Row("rsa_public", bits, oursPublic, theirsPublic, "us");
    RsaDestroyKey(&handle);
}

// Phase 2 through the export beside what OpenSSL's own DH does: a constant-time exponentiation
// with a 256-bit exponent and the prime's Montgomery context prepared once.
void DhRow(std::uint32_t group) {
    const DhKeyAgreeParams* params = nullptr;
    Require(DhGetGroup(&params, group) == 0, "DhGetGroup");
    Item *peer = nullptr, *own = nullptr;
    DhKeyPair *other = nullptr, *pair = nullptr;
    Require(DhGenerateKeyPair(&peer, &other, params) == 0 &&
                DhGenerateKeyPair(&own, &pair, params) == 0,
            "DhGenerateKeyPair");
    const double ours = MicrosecondsPerCall([&] {
        Item* secret = nullptr;
        Require(DhComputeSecret(&secret, pair, peer, params) == 0, "DhComputeSecret");
        DhFreeBuffer(&secret);
    });
    BN_CTX* context = BN_CTX_new();
    BN_MONT_CTX* montgomery = BN_MONT_CTX_new();
    BIGNUM* prime = BN_bin2bn(params->prime, static_cast<int>(params->primeLength), nullptr);
    BIGNUM* base = BN_bin2bn(peer->data, static_cast<int>(peer->length), nullptr);
    BIGNUM* exponent = BN_secure_new();
    BIGNUM* result = BN_new();
    BN_rand(exponent, kDhExponentBits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
    BN_MONT_CTX_set(montgomery, prime, context);
    const double theirs = MicrosecondsPerCall(
        [&] { BN_mod_exp_mont_consttime(result, base, exponent, prime, context, montgomery); });
    Row("dh_phase2", static_cast<int>(group), ours, theirs, "us");
    BN_free(result), BN_clear_free(exponent), BN_free(base), BN_free(prime);
    BN_MONT_CTX_free(montgomery), BN_CTX_free(context);
    DhFreeBuffer(&peer), DhFreeBuffer(&own);
    DhDestroyKeyPair(&other), DhDestroyKeyPair(&pair);
}

void KeyGenerationRow(int bits) {
    constexpr int kKeys = 31;
    const double ours = MedianMilliseconds(kKeys, [&] {
        KeyHandle *publicKey = nullptr, *privateKey = nullptr;
        Require(RsaGenerateKeyPair(&publicKey, &privateKey, static_cast<std::uint32_t>(bits)) == 0,
                "RsaGenerateKeyPair");
        RsaDestroyKey(&publicKey), RsaDestroyKey(&privateKey);
    });
    const double theirs = MedianMilliseconds(kKeys, [&] {
        RSA* rsa = RSA_new();
        BIGNUM* e = BN_new();
        BN_set_word(e, kExponent);
        Require(RSA_generate_key_ex(rsa, bits, e, nullptr) == 1, "RSA_generate_key_ex");
        BN_free(e), RSA_free(rsa);
    });
    Row("rsa_keygen", bits, ours, theirs, "ms");
}

}  // namespace

int main() {
    std::printf("ratio: OpenSSL's time over Quillon's (above 1: Quillon is faster)\n");
    for (const int bits : {1024, 2048}) RsaRows(bits);
    for (const std::uint32_t group : {1U, 2U, 5U}) DhRow(group);
    const double jitter = MicrosecondsPerCall([] { (void)RngTimingJitter(); });
    std::printf("%-14s %5s  quillon %10.1f us\n", "timing_jitter", "", jitter);
    for (const int bits : {1024, 2048}) KeyGenerationRow(bits);
    return 0;
}
