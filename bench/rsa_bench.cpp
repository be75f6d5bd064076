// The RSA operations on toolkit objects beside libgcrypt called directly and OpenSSL, on the same
// keys (e = 4097, as the module generates them).
//
// rsa_private_crt: a PKCS #1 type-1 block through InfoRsaPkcsPrivate on a fresh algorithm object
// per call, as RsaEncrypt runs it (formatting is negligible next to the exponentiations), beside
// the same Chinese-remainder computation written directly on libgcrypt's MPIs (our numbers are
// libgcrypt's, so that ratio is our overhead) and OpenSSL's RSA_private_encrypt without padding
// or blinding. The libgcrypt row holds the private values in secure MPIs as the module does;
// libgcrypt_plain shows what ordinary MPIs would cost.
// rsa_public: recovering a signature through InfoRsaPkcsPublic beside gcry_mpi_powm and
// RSA_public_encrypt without padding. No random object is in any loop.
#include <benchmark/benchmark.h>
#include <gcrypt.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/bignum.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

constexpr unsigned long kExponent = 4097;

struct TestKey {
    RSA* rsa = nullptr;
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
    RSA_blinding_off(key.rsa);
    RSA_set_flags(key.rsa, RSA_FLAG_NO_BLINDING);
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

// ---- libgcrypt directly: the same arithmetic, numbers prepared once -------------------------

gcry_mpi_t Scan(const BIGNUM* number, bool secure) {
    std::vector<uint8_t> bytes(static_cast<size_t>(BN_num_bytes(number)));
    BN_bn2bin(number, bytes.data());
    gcry_mpi_t scanned = nullptr;
    gcry_mpi_scan(&scanned, GCRYMPI_FMT_USG, bytes.data(), bytes.size(), nullptr);
    if (!secure) return scanned;
    gcry_mpi_t value = gcry_mpi_snew(static_cast<unsigned>(bytes.size() * 8));
    gcry_mpi_set(value, scanned);
    gcry_mpi_set_flag(value, GCRYMPI_FLAG_SECURE);
    gcry_mpi_release(scanned);
    return value;
}

// m1 = c^dP mod p, m2 = c^dQ mod q, h = qInv (m1 - m2) mod p, m = m2 + h q; input scanned and
// output printed every call, as an operation on bytes must.
void LibgcryptPrivate(benchmark::State& state, int bits, bool secure) {
    quillon::support::MpiLibraryInit();
    const TestKey& key = KeyOf(bits);
    const BIGNUM *p, *q, *dp, *dq, *qinv;
    RSA_get0_factors(key.rsa, &p, &q);
    RSA_get0_crt_params(key.rsa, &dp, &dq, &qinv);
    gcry_mpi_t gp = Scan(p, secure), gq = Scan(q, secure), gdp = Scan(dp, secure),
               gdq = Scan(dq, secure), gqinv = Scan(qinv, secure);
    const unsigned nbits = static_cast<unsigned>(bits);
    gcry_mpi_t m1 = secure ? gcry_mpi_snew(nbits) : gcry_mpi_new(nbits);
    gcry_mpi_t m2 = secure ? gcry_mpi_snew(nbits) : gcry_mpi_new(nbits);
    gcry_mpi_t h = secure ? gcry_mpi_snew(nbits) : gcry_mpi_new(nbits);
    std::vector<uint8_t> in(static_cast<size_t>(key.size), 0x5A), out(in.size());
    in[0] = 0;
    for (auto _ : state) {
        gcry_mpi_t c = nullptr;
        gcry_mpi_scan(&c, GCRYMPI_FMT_USG, in.data(), in.size(), nullptr);
        gcry_mpi_mod(m1, c, gp);
        gcry_mpi_mod(m2, c, gq);
        gcry_mpi_powm(m1, m1, gdp, gp);
        gcry_mpi_powm(m2, m2, gdq, gq);
        gcry_mpi_sub(h, m1, m2);
        gcry_mpi_mul(h, h, gqinv);
        gcry_mpi_mod(h, h, gp);
        gcry_mpi_mul(h, h, gq);
        gcry_mpi_add(h, h, m2);
        size_t written = 0;
        gcry_mpi_print(GCRYMPI_FMT_USG, out.data(), out.size(), &written, h);
        gcry_mpi_release(c);
        benchmark::DoNotOptimize(out.data());
    }
    for (gcry_mpi_t value : {gp, gq, gdp, gdq, gqinv, m1, m2, h}) gcry_mpi_release(value);
}

void LibgcryptPublic(benchmark::State& state, int bits) {
    quillon::support::MpiLibraryInit();
    const TestKey& key = KeyOf(bits);
    gcry_mpi_t n = Scan(RSA_get0_n(key.rsa), false), e = Scan(RSA_get0_e(key.rsa), false);
    gcry_mpi_t m = gcry_mpi_new(static_cast<unsigned>(bits));
    std::vector<uint8_t> out(static_cast<size_t>(key.size));
    for (auto _ : state) {
        gcry_mpi_t c = nullptr;
        gcry_mpi_scan(&c, GCRYMPI_FMT_USG, key.signature.data(), key.signature.size(), nullptr);
        gcry_mpi_powm(m, c, e, n);
        size_t written = 0;
        gcry_mpi_print(GCRYMPI_FMT_USG, out.data(), out.size(), &written, m);
        gcry_mpi_release(c);
        benchmark::DoNotOptimize(out.data());
    }
    gcry_mpi_release(n), gcry_mpi_release(e), gcry_mpi_release(m);
}

// ---- OpenSSL --------------------------------------------------------------------------------

void Openssl(benchmark::State& state, int bits, bool privateSide) {
    const TestKey& key = KeyOf(bits);
    std::vector<uint8_t> in(static_cast<size_t>(key.size), 0x5A), out(in.size());
    in[0] = 0;
    for (auto _ : state) {
        if (privateSide) {
            RSA_private_encrypt(key.size, in.data(), out.data(), key.rsa, RSA_NO_PADDING);
        } else {
            RSA_public_encrypt(key.size, key.signature.data(), out.data(), key.rsa, RSA_NO_PADDING);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void Register() {
    for (const int bits : {1024, 2048}) {
        const std::string size = std::to_string(bits);
        const std::string crt = "rsa_private_crt/" + size + "/";
        const std::string pub = "rsa_public/" + size + "/";
        benchmark::RegisterBenchmark((crt + "quillon").c_str(), Quillon, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "libgcrypt").c_str(), LibgcryptPrivate, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "libgcrypt_plain").c_str(), LibgcryptPrivate, bits,
                                     false)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((crt + "openssl").c_str(), Openssl, bits, true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((pub + "quillon").c_str(), Quillon, bits, false)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((pub + "libgcrypt").c_str(), LibgcryptPublic, bits)
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
