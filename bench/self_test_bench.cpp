// The power-up self-test run end to end (SelfTest, with the RSA key pair it generates and the
// timing-jitter samples of its seeded random objects), and the sampler measured apart: one
// RngTimingJitter call takes 32 ticks of the system tick counter by design, and every RSA
// operation that seeds a random object pays it once.
#include <benchmark/benchmark.h>

#include "quillon.h"

namespace {

void SelfTestRun(benchmark::State& state) {
    for (auto _ : state) {
        if (SelfTest() != 1) state.SkipWithError("SelfTest");
    }
}

void JitterSample(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(RngTimingJitter());
}

}  // namespace

BENCHMARK(SelfTestRun)->Name("self_test/quillon")->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(JitterSample)
    ->Name("timing_jitter_sample/quillon")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
