// What a seeded random object pays before its first bytes, piece by piece: the processor-jitter
// sample, the system-state poll, the operating system's random bytes, the whole reseed of the
// module generator (poll, SHA-1, seed updates; RngInitialize), and a seeded random object made,
// drawn from (32 bytes, a Diffie-Hellman private value) and destroyed. The tick-bound
// RngTimingJitter sample is timed in self_test_bench.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/entropy.h"
#include "random/cpu_jitter.h"
#include "random/module_generator.h"

namespace {

using namespace quillon;

void CpuJitter(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(random::SampleCpuJitter());
}

void SystemPoll(benchmark::State& state) {
    std::uint32_t bytes = 0;
    for (auto _ : state) {
        platform::PollSystemState(
            [](void* context, const void*, std::uint32_t length) {
                *static_cast<std::uint32_t*>(context) += length;
            },
            &bytes);
    }
    benchmark::DoNotOptimize(bytes);
}

void OsRandom(benchmark::State& state) {
    std::uint8_t out[32];
    for (auto _ : state) {
        if (!platform::OsRandomBytes(out, sizeof out)) state.SkipWithError("os random");
        benchmark::DoNotOptimize(out);
    }
}

void Reseed(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(random::Reseed(0x12345678));
}

void SeededObject(benchmark::State& state) {
    std::uint8_t out[32];
    for (auto _ : state) {
        toolkit::AlgObject* object = nullptr;
        random::MakeSeededRandomObject(&object);
        if (toolkit::AlgGenerateRandomBytes(object, out, sizeof out, nullptr) != toolkit::kOk) {
            state.SkipWithError("draw");
        }
        (void)toolkit::AlgDestroy(&object);
        benchmark::DoNotOptimize(out);
    }
}

}  // namespace

BENCHMARK(CpuJitter)->Name("seeding/cpu_jitter/quillon")->Unit(benchmark::kMicrosecond);
BENCHMARK(SystemPoll)->Name("seeding/system_poll/quillon")->Unit(benchmark::kMicrosecond);
BENCHMARK(OsRandom)->Name("seeding/os_random_32/quillon")->Unit(benchmark::kMicrosecond);
BENCHMARK(Reseed)->Name("seeding/reseed/quillon")->Unit(benchmark::kMicrosecond);
BENCHMARK(SeededObject)->Name("seeding/seeded_object/quillon")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
