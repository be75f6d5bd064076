// Loading a long profile into the entry list and releasing it (ProfileLoad + ProfileFree): every
// line looks its section and key up, so the load is linear only when lookups do not walk the
// list. Rows for 10,000 to 80,000 entries (about 9 bytes a line, 709 KB at 80,000) and the
// fitted complexity; the time per entry should stay flat. Then 32,768 keys in one section, ordinary
// ones beside keys made to share one bucket of an unkeyed FNV-1a index: the keyed index reads
// both in the same time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/fnv_colliding_keys.h"
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
        if (quillon::profile::ProfileLoad(path.c_str()) != quillon::profile::kProfileLoaded) {
            state.SkipWithError("load failed");
        }
        quillon::profile::ProfileFree();
    }
    state.SetComplexityN(entries);
    state.SetItemsProcessed(state.iterations() * entries);
    std::remove(path.c_str());
}

// One section "[Crafted]" of 32,768 "key=1" lines, the keys crafted or ordinary.
void LoadOneSection(benchmark::State& state, bool crafted) {
    constexpr std::size_t kKeys = 32768;
    std::vector<std::string> keys;
    if (crafted) {
        keys = quillon::test::FnvCollidingKeys("Crafted", kKeys);
    } else {
        for (std::size_t i = 0; i < kKeys; ++i) keys.push_back("k" + std::to_string(i));
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / (std::string("quillon-profile-parse-bench-") +
                                                   (crafted ? "crafted" : "ordinary") + ".ini"))
            .string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "[Crafted]\n";
        for (const std::string& key : keys) out << key << "=1\n";
    }
    for (auto _ : state) {
        if (quillon::profile::ProfileLoad(path.c_str()) != quillon::profile::kProfileLoaded) {
            state.SkipWithError("load failed");
        }
        quillon::profile::ProfileFree();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kKeys));
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
BENCHMARK_CAPTURE(LoadOneSection, ordinary, false)
    ->Name("profile_load_one_section/32768/ordinary/quillon")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadOneSection, crafted, true)
    ->Name("profile_load_one_section/32768/crafted/quillon")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
