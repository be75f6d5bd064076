// Diffie-Hellman on the IKE groups 1, 2 and 5 and the module random generator.
//
// The two exponentiations run on the toolkit key-agreement object with a random object prepared
// once (seeded with fixed bytes), so the seeding stays out of those rows; phase 2 also runs end
// to end through DhComputeSecret. Beside them: what OpenSSL's own DH does, a constant-time
// BN_mod_exp_mont_consttime with a 256-bit exponent and the prime's Montgomery context prepared
// once, on the same primes. DhGenerateKeyPair end to end (a seeded random object each call:
// processor-jitter sample, system poll, reseed) beside what a caller of OpenSSL pays for a key
// pair: a fresh DH object of the group with a 256-bit private value and DH_generate_key.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/dh.h>

#include <cstdint>
#include <vector>

#include "quillon.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

constexpr int kExponentBytes = 32;

const DhKeyAgreeParams& Group(benchmark::State& state) {
    const DhKeyAgreeParams* params = nullptr;
    if (DhGetGroup(&params, static_cast<uint32_t>(state.range(0))) != 0) std::abort();
    return *params;
}

// One FIPS 186 random object seeded with fixed bytes: the exchange rows draw from it.
AlgObject* PreparedRandom() {
    static AlgObject* random = [] {
        AlgObject* object = nullptr;
        const uint8_t seed[64] = {0x5A, 0x17, 0xC3};
        if (AlgCreate(&object) != kOk || AlgSetInfo(object, InfoRandomFips186, nullptr) != kOk ||
            AlgRandomInit(object, DefaultChooser, nullptr) != kOk ||
            AlgRandomUpdate(object, seed, sizeof seed, nullptr) != kOk) {
            std::abort();
        }
        return object;
    }();
    return random;
}

AlgObject* NewKeyAgreement(const DhKeyAgreeParams& params) {
    AlgObject* object = nullptr;
    if (AlgCreate(&object) != kOk || AlgSetInfo(object, InfoDhKeyAgree, &params) != kOk ||
        AlgDigestInit(object, nullptr, DefaultChooser, nullptr) != kOk) {
        std::abort();
    }
    return object;
}

// Phase 1 generates the private value, so every round needs a fresh object; making one costs
// a few allocations next to a 256-bit exponentiation.
void Phase1Quillon(benchmark::State& state) {
    const DhKeyAgreeParams& params = Group(state);
    std::vector<uint8_t> out(params.primeLength);
    for (auto _ : state) {
        AlgObject* object = NewKeyAgreement(params);
        uint32_t length = 0;
        if (AlgKeyAgreePhase1(object, out.data(), &length, params.primeLength, PreparedRandom(),
                              nullptr) != kOk) {
            state.SkipWithError("phase 1");
        }
        (void)AlgDestroy(&object);
        benchmark::DoNotOptimize(out.data());
    }
}

void Phase2Quillon(benchmark::State& state) {
    const DhKeyAgreeParams& params = Group(state);
    std::vector<uint8_t> peer(params.primeLength), out(params.primeLength);
    uint32_t length = 0;
    AlgObject* other = NewKeyAgreement(params);
    AlgObject* object = NewKeyAgreement(params);
    if (AlgKeyAgreePhase1(other, peer.data(), &length, params.primeLength, PreparedRandom(),
                          nullptr) != kOk ||
        AlgKeyAgreePhase1(object, out.data(), &length, params.primeLength, PreparedRandom(),
                          nullptr) != kOk) {
        state.SkipWithError("phase 1");
    }
    for (auto _ : state) {
        if (AlgKeyAgreePhase2(object, out.data(), &length, params.primeLength, peer.data(),
                              params.primeLength, nullptr) != kOk) {
            state.SkipWithError("phase 2");
        }
        benchmark::DoNotOptimize(out.data());
    }
    (void)AlgDestroy(&object);
    (void)AlgDestroy(&other);
}

// The shared secret through the export, a fresh result record per call as callers get it.
void ComputeSecretExport(benchmark::State& state) {
    const DhKeyAgreeParams& params = Group(state);
    Item* peer = nullptr;
    Item* own = nullptr;
    DhKeyPair* other = nullptr;
    DhKeyPair* pair = nullptr;
    if (DhGenerateKeyPair(&peer, &other, &params) != 0 ||
        DhGenerateKeyPair(&own, &pair, &params) != 0) {
        state.SkipWithError("key pairs");
    }
    for (auto _ : state) {
        Item* secret = nullptr;
        if (DhComputeSecret(&secret, pair, peer, &params) != 0) state.SkipWithError("export");
        DhFreeBuffer(&secret);
    }
    DhFreeBuffer(&peer), DhFreeBuffer(&own);
    DhDestroyKeyPair(&other), DhDestroyKeyPair(&pair);
}

// base^x mod p with a random 256-bit x; base 2 for phase 1, a value near p for phase 2.
struct OpensslOperands {
    BN_CTX* context = BN_CTX_new();
    BN_MONT_CTX* montgomery = BN_MONT_CTX_new();
    BIGNUM *prime, *base, *exponent = BN_secure_new(), *result = BN_new();
    OpensslOperands(const DhKeyAgreeParams& params, bool phase2) {
        prime = BN_bin2bn(params.prime, static_cast<int>(params.primeLength), nullptr);
        BN_MONT_CTX_set(montgomery, prime, context);
        base = BN_new();
        if (phase2) {
            BN_sub(base, prime, BN_value_one());
            BN_rshift1(base, base);
        } else {
            BN_set_word(base, 2);
        }
        BN_rand(exponent, kExponentBytes * 8, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
        BN_set_flags(exponent, BN_FLG_CONSTTIME);
    }
    ~OpensslOperands() {
        BN_free(prime), BN_free(base), BN_clear_free(exponent), BN_free(result);
        BN_MONT_CTX_free(montgomery);
        BN_CTX_free(context);
    }
};

void PowerOpenssl(benchmark::State& state, bool phase2) {
    OpensslOperands operands(Group(state), phase2);
    for (auto _ : state) {
        BN_mod_exp_mont_consttime(operands.result, operands.base, operands.exponent, operands.prime,
                                  operands.context, operands.montgomery);
        benchmark::DoNotOptimize(operands.result);
    }
}

void GenerateKeyPairExport(benchmark::State& state) {
    const DhKeyAgreeParams& params = Group(state);
    for (auto _ : state) {
        Item* publicValue = nullptr;
        DhKeyPair* pair = nullptr;
        if (DhGenerateKeyPair(&publicValue, &pair, &params) != 0) state.SkipWithError("export");
        DhFreeBuffer(&publicValue);
        DhDestroyKeyPair(&pair);
    }
}

void GenerateKeyPairOpenssl(benchmark::State& state) {
    const DhKeyAgreeParams& params = Group(state);
    BIGNUM* prime = BN_bin2bn(params.prime, static_cast<int>(params.primeLength), nullptr);
    BIGNUM* generator = BN_new();
    BN_set_word(generator, 2);
    for (auto _ : state) {
        DH* dh = DH_new();
        if (DH_set0_pqg(dh, BN_dup(prime), nullptr, BN_dup(generator)) != 1 ||
            DH_set_length(dh, kExponentBytes * 8) != 1 || DH_generate_key(dh) != 1) {
            state.SkipWithError("DH_generate_key");
        }
        benchmark::DoNotOptimize(DH_get0_pub_key(dh));
        DH_free(dh);
    }
    BN_free(prime), BN_free(generator);
}

void RngGetBytesExport(benchmark::State& state) {
    std::vector<uint8_t> out(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        if (RngGetBytes(static_cast<int32_t>(out.size()), out.data()) != 0) {
            state.SkipWithError("RngGetBytes");
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(out.size()));
}

void Groups(benchmark::internal::Benchmark* b) {
    b->ArgName("group")->Arg(1)->Arg(2)->Arg(5)->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(Phase1Quillon)->Name("dh_phase1/quillon")->Apply(Groups);
BENCHMARK_CAPTURE(PowerOpenssl, phase1, false)->Name("dh_phase1/openssl")->Apply(Groups);
BENCHMARK(Phase2Quillon)->Name("dh_phase2/quillon")->Apply(Groups);
BENCHMARK(ComputeSecretExport)->Name("dh_phase2/quillon_export")->Apply(Groups);
BENCHMARK_CAPTURE(PowerOpenssl, phase2, true)->Name("dh_phase2/openssl")->Apply(Groups);
BENCHMARK(GenerateKeyPairExport)->Name("dh_generate_key_pair_export/quillon")->Apply(Groups);
BENCHMARK(GenerateKeyPairOpenssl)->Name("dh_generate_key_pair_export/openssl")->Apply(Groups);
BENCHMARK(RngGetBytesExport)->Name("rng_get_bytes/quillon")->Arg(20)->Arg(4096);

BENCHMARK_MAIN();
