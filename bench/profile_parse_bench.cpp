// Loading a long profile into the entry list and releasing it (ProfileLoad + ProfileFree): every
// line looks its section and key up, so the load is linear only when lookups do not walk the
// list. Rows for 10,000 to 80,000 entries (about 9 bytes a line, 709 KB at 80,000) and the
// fitted complexity; the time per entry should stay flat.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "profile/profile_parser.h"

namespace {

// entries lines "k<i>=<i>", a new section every 1000 entries.
std::string WriteProfile(int entries) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("quillon-profile-parse-bench-" + std::to_string(entries) + ".ini"))
                                 .string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < entries; ++i) {
        if (i % 1000 == 0) out << "[Section " << i / 1000 << "]\n";
        out << "k" << i << "=" << i << "\n";
    }
    return path;
}

void LoadQuillon(benchmark::State& state) {
    const auto entries = static_cast<int>(state.range(0));
    const std::string path = WriteProfile(entries);
    for (auto _ : state) {
        if (quillon::profile::ProfileLoad(path.c_str()) != 0) state.SkipWithError("load failed");
        quillon::profile::ProfileFree();
    }
    state.SetComplexityN(entries);
    state.SetItemsProcessed(state.iterations() * entries);
    std::remove(path.c_str());
}

BENCHMARK(LoadQuillon)
    ->Name("profile_load/quillon")
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
