// SHA-1 and MD5 through the digest exports (16 KiB and 64-byte messages, each message a fresh
// handle: create, update, final) and HMAC-SHA-1 of 64-byte messages through HmacInit / Update /
// Final with the key given each time, side by side with OpenSSL (EVP digest on a reused context
// with a fetched algorithm; for 64 bytes also its one-shot EVP_Digest and the low-level
// SHA1_Init / SHA1_Update / SHA1_Final (MD5_*) on a context on the stack; the one-shot HMAC
// call). Run with OPENSSL_ia32cap set to compare with OpenSSL's generic code.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <vector>

#include "quillon.h"

namespace {

struct Digest {
    void (*create)(DigestHandle**);
    void (*final)(uint8_t*, DigestHandle**);
    const char* name;  // OpenSSL's
};
const Digest kSha1 = {Sha1Create, Sha1Final, "SHA1"};
const Digest kMd5 = {Md5Create, Md5Final, "MD5"};

void Quillon(benchmark::State& state, const Digest* digest, size_t length) {
    std::vector<uint8_t> message(length, 0x5A);
    uint8_t out[20];
    for (auto _ : state) {
        DigestHandle* handle = nullptr;
        digest->create(&handle);
        DigestUpdate(&handle, message.data(), static_cast<uint32_t>(length));
        digest->final(out, &handle);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

void OpenSsl(benchmark::State& state, const Digest* digest, size_t length) {
    std::vector<uint8_t> message(length, 0x5A);
    uint8_t out[EVP_MAX_MD_SIZE];
    unsigned int written = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    // Fetched once, so the loop measures the digest and not the provider lookup.
    EVP_MD* md = EVP_MD_fetch(nullptr, digest->name, nullptr);
    for (auto _ : state) {
        EVP_DigestInit_ex(context, md, nullptr);
        EVP_DigestUpdate(context, message.data(), length);
        EVP_DigestFinal_ex(context, out, &written);
        benchmark::DoNotOptimize(out);
    }
    EVP_MD_CTX_free(context);
    EVP_MD_free(md);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

// OpenSSL's one-shot call (EVP_Digest: a context made, used and freed per message), the
// counterpart of a handle made per message.
void OpenSslOneShot(benchmark::State& state, const Digest* digest, size_t length) {
    std::vector<uint8_t> message(length, 0x5A);
    uint8_t out[EVP_MAX_MD_SIZE];
    unsigned int written = 0;
    const EVP_MD* md = digest->create == Sha1Create ? EVP_sha1() : EVP_md5();
    for (auto _ : state) {
        EVP_Digest(message.data(), length, out, &written, md, nullptr);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

// OpenSSL's low-level calls on a context on the stack: the digest with no object around it, the
// floor a handle made per message is measured against.
template <typename Context, int (*Init)(Context*), int (*Update)(Context*, const void*, size_t),
          int (*Final)(unsigned char*, Context*)>
void OpenSslStackContext(benchmark::State& state, size_t length) {
    std::vector<uint8_t> message(length, 0x5A);
    uint8_t out[EVP_MAX_MD_SIZE];
    for (auto _ : state) {
        Context context;
        Init(&context);
        Update(&context, message.data(), length);
        Final(out, &context);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}
const auto OpenSslStackSha1 = OpenSslStackContext<SHA_CTX, SHA1_Init, SHA1_Update, SHA1_Final>;
const auto OpenSslStackMd5 = OpenSslStackContext<MD5_CTX, MD5_Init, MD5_Update, MD5_Final>;

const uint8_t kKey[20] = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
                          0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43};

void HmacQuillon(benchmark::State& state) {
    std::vector<uint8_t> message(64, 0x5A);
    uint8_t mac[20];
    HmacContext context;
    const HashDescriptor* sha1 = HmacGetHash(2);
    for (auto _ : state) {
        HmacInit(&context, sha1, kKey, sizeof kKey);
        HmacUpdate(&context, message.data(), 64);
        HmacFinal(mac, &context);
        benchmark::DoNotOptimize(mac);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 64));
}

void HmacOpenSsl(benchmark::State& state) {
    std::vector<uint8_t> message(64, 0x5A);
    uint8_t mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        HMAC(EVP_sha1(), kKey, sizeof kKey, message.data(), 64, mac, &length);
        benchmark::DoNotOptimize(mac);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 64));
}

#define DIGEST_ROW(name, digest, length)                                                   \
    BENCHMARK_CAPTURE(Quillon, name, &digest, length)->Name(#name "/" #length "/quillon"); \
    BENCHMARK_CAPTURE(OpenSsl, name, &digest, length)->Name(#name "/" #length "/openssl")

DIGEST_ROW(sha1, kSha1, 16384);
DIGEST_ROW(sha1, kSha1, 64);
BENCHMARK_CAPTURE(OpenSslOneShot, sha1, &kSha1, 64)->Name("sha1/64/openssl_oneshot");
BENCHMARK_CAPTURE(OpenSslStackSha1, sha1, 64)->Name("sha1/64/openssl_stack");
DIGEST_ROW(md5, kMd5, 16384);
DIGEST_ROW(md5, kMd5, 64);
BENCHMARK_CAPTURE(OpenSslOneShot, md5, &kMd5, 64)->Name("md5/64/openssl_oneshot");
BENCHMARK_CAPTURE(OpenSslStackMd5, md5, 64)->Name("md5/64/openssl_stack");
BENCHMARK(HmacQuillon)->Name("hmac_sha1/64/quillon");
BENCHMARK(HmacOpenSsl)->Name("hmac_sha1/64/openssl");

}  // namespace

BENCHMARK_MAIN();
