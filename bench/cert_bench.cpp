// Certificate import with both names as text, over every certificate of the system CA bundle:
// CertCreateFromDer + CertGetNames + CertDestroy against OpenSSL's d2i_X509 +
// X509_NAME_print_ex (subject and issuer, RFC 2253 form, into a memory BIO) + X509_free.
// Items are certificates.
#include <benchmark/benchmark.h>
#include <openssl/bio.h>
#include <openssl/x509.h>

#include <vector>

#include "common/openssl_certificates.h"
#include "quillon.h"

namespace {

using Der = std::vector<std::uint8_t>;

const std::vector<Der>& Bundle() {
    static const std::vector<Der> bundle = quillon::test::SystemCaCertificates();
    return bundle;
}

void Quillon(benchmark::State& state) {
    const std::vector<Der>& bundle = Bundle();
    if (bundle.empty()) state.SkipWithError("no CA bundle");
    for (auto _ : state) {
        for (const Der& der : bundle) {
            CertHandle* cert = nullptr;
            if (CertCreateFromDer(&cert, der.data(), static_cast<uint32_t>(der.size())) != 0) {
                state.SkipWithError("import");
                return;
            }
            const char* subject = nullptr;
            const char* issuer = nullptr;
            benchmark::DoNotOptimize(CertGetNames(&subject, &issuer, cert));
            benchmark::DoNotOptimize(subject);
            benchmark::DoNotOptimize(issuer);
            CertDestroy(&cert);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * bundle.size()));
}

void OpenSsl(benchmark::State& state) {
    const std::vector<Der>& bundle = Bundle();
    if (bundle.empty()) state.SkipWithError("no CA bundle");
    BIO* out = BIO_new(BIO_s_mem());
    constexpr unsigned long kFlags = XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB;
    for (auto _ : state) {
        for (const Der& der : bundle) {
            const unsigned char* at = der.data();
            X509* cert = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
            if (cert == nullptr) {
                state.SkipWithError("import");
                return;
            }
            (void)BIO_reset(out);
            benchmark::DoNotOptimize(
                X509_NAME_print_ex(out, X509_get_subject_name(cert), 0, kFlags));
            benchmark::DoNotOptimize(
                X509_NAME_print_ex(out, X509_get_issuer_name(cert), 0, kFlags));
            X509_free(cert);
        }
    }
    BIO_free(out);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * bundle.size()));
}

BENCHMARK(Quillon)->Name("cert_import_names/quillon");
BENCHMARK(OpenSsl)->Name("cert_import_names/openssl");

}  // namespace

BENCHMARK_MAIN();
