#!/usr/bin/env bash
# Builds the benchmarks of bench/ for the Windows targets and runs them under Wine, each Quillon
# row beside OpenSSL's libcrypto linked into the same program, then prints the ratios
# (scripts/bench-ratios.py). 64-bit always; 32-bit too where this machine runs 32-bit programs.
# Measurement, not a test: run it on a quiet machine.
#   bash scripts/bench-windows.sh [BENCHMARK_ARGUMENT]...
# Arguments go to every program (default: 5 repetitions, medians only). The JSON results stay in
# build/<preset>/bench-results/.
set -euo pipefail
cd "$(dirname "$0")/.."

# Inside the Wine environment of one target (the script calls itself so, below): every program
# of the build folder in turn, its output through files, since a pipe could be held open by a
# Wine helper process.
if [ "${1:-}" = --inside-wine ]; then
    arch=$2 build=$3
    shift 3
    mkdir -p "$build/bench-results"
    for program in "$build"/bin/*_bench.exe; do
        name=$(basename "$program" .exe)
        result=$build/bench-results/$name
        bash cmake/toolchains/wine-run.sh "$arch" "$program" "$@" --benchmark_out="$result.json" \
            --benchmark_out_format=json >"$result.txt" 2>&1 </dev/null ||
            { echo "$name failed:" && cat "$result.txt" && exit 1; }
        tr -d '\r' <"$result.txt"
    done
    exit 0
fi

arguments=("$@")
[ ${#arguments[@]} -gt 0 ] ||
    arguments=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)

bash scripts/setup-mingw.sh
targets=("mingw64 win64")
if bash scripts/runs-32bit-programs.sh >/dev/null; then
    targets+=("mingw win32")
else
    echo "32-bit programs cannot run on this machine: the 32-bit DLL's benchmarks are not run"
fi

for target in "${targets[@]}"; do
    read -r preset arch <<<"$target"
    build=build/$preset
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target quillon_benchmarks
    rm -rf "$build/bench-results"
    echo "=== $preset ($arch) under Wine"
    bash scripts/wine-env.sh "$arch" bash scripts/bench-windows.sh --inside-wine "$arch" "$build" \
        "${arguments[@]}"
    echo "=== ratios, $preset ($arch): OpenSSL's time / Quillon's"
    python3 scripts/bench-ratios.py "$build"/bench-results/*.json
done
