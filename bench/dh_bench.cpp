// Diffie-Hellman on the IKE groups 1, 2 and 5 and the module random generator.
//
// The two exponentiations run on the toolkit key-agreement object with a random object prepared
// once (seeded with fixed bytes), so the timing-jitter sampler stays out of those rows. Beside
// them: OpenSSL's BN_mod_exp and libgcrypt's gcry_mpi_powm with a 256-bit exponent on the same
// primes (the big numbers underneath are libgcrypt's, so that row measures our overhead).
// DhGenerateKeyPair end to end, with the 32-tick jitter sample the design requires for every
// seeded random object, is reported in its own rows.
#include <benchmark/benchmark.h>
#include <gcrypt.h>
#include <openssl/bn.h>

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

// base^x mod p with a random 256-bit x; base 2 for phase 1, a value near p for phase 2.
struct OpensslOperands {
    BN_CTX* context = BN_CTX_new();
    BIGNUM *prime, *base, *exponent = BN_new(), *result = BN_new();
    OpensslOperands(const DhKeyAgreeParams& params, bool phase2) {
        prime = BN_bin2bn(params.prime, static_cast<int>(params.primeLength), nullptr);
        base = BN_new();
        if (phase2) {
            BN_sub(base, prime, BN_value_one());
            BN_rshift1(base, base);
        } else {
            BN_set_word(base, 2);
        }
        BN_rand(exponent, kExponentBytes * 8, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
    }
    ~OpensslOperands() {
        BN_free(prime), BN_free(base), BN_free(exponent), BN_free(result);
        BN_CTX_free(context);
    }
};

void PowerOpenssl(benchmark::State& state, bool phase2) {
    OpensslOperands operands(Group(state), phase2);
    for (auto _ : state) {
        BN_mod_exp(operands.result, operands.base, operands.exponent, operands.prime,
                   operands.context);
        benchmark::DoNotOptimize(operands.result);
    }
}

void PowerLibgcrypt(benchmark::State& state, bool phase2) {
    const DhKeyAgreeParams& params = Group(state);
    gcry_mpi_t prime = nullptr, base = gcry_mpi_new(0), exponent = gcry_mpi_snew(256);
    gcry_mpi_scan(&prime, GCRYMPI_FMT_USG, params.prime, params.primeLength, nullptr);
    if (phase2) {
        gcry_mpi_sub_ui(base, prime, 1);
        gcry_mpi_rshift(base, base, 1);
    } else {
        gcry_mpi_set_ui(base, 2);
    }
    gcry_mpi_randomize(exponent, kExponentBytes * 8, GCRY_WEAK_RANDOM);
    gcry_mpi_set_bit(exponent, kExponentBytes * 8 - 1);
    gcry_mpi_t result = gcry_mpi_new(params.primeLength * 8);
    for (auto _ : state) {
        gcry_mpi_powm(result, base, exponent, prime);
        benchmark::DoNotOptimize(result);
    }
    gcry_mpi_release(result), gcry_mpi_release(exponent), gcry_mpi_release(base);
    gcry_mpi_release(prime);
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
BENCHMARK_CAPTURE(PowerLibgcrypt, phase1, false)->Name("dh_phase1/libgcrypt")->Apply(Groups);
BENCHMARK_CAPTURE(PowerOpenssl, phase1, false)->Name("dh_phase1/openssl")->Apply(Groups);
BENCHMARK(Phase2Quillon)->Name("dh_phase2/quillon")->Apply(Groups);
BENCHMARK_CAPTURE(PowerLibgcrypt, phase2, true)->Name("dh_phase2/libgcrypt")->Apply(Groups);
BENCHMARK_CAPTURE(PowerOpenssl, phase2, true)->Name("dh_phase2/openssl")->Apply(Groups);
BENCHMARK(GenerateKeyPairExport)->Name("dh_generate_key_pair_export/quillon")->Apply(Groups);
BENCHMARK(RngGetBytesExport)->Name("rng_get_bytes/quillon")->Arg(20)->Arg(4096);

BENCHMARK_MAIN();
