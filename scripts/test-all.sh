#!/usr/bin/env bash
# Every test: set up, run the fuzz targets briefly, then build and run the suites of each Linux
# preset, and last the two Windows builds: the 32-bit one (mingw), whose suites run under 32-bit
# Wine only where this machine runs 32-bit programs (elsewhere it is built and checked without
# running a program of it), and the 64-bit one (mingw64), whose suites run under 64-bit Wine on
# every machine. Each stage says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."

timings=()
win32_line=""
stage_started=$SECONDS
stage() {
    echo "=== $1"
    stage_started=$SECONDS
}
stage_done() {
    timings+=("$(printf '%-44s %5d s' "$1" $((SECONDS - stage_started)))")
}
# The summary comes at the end whatever the outcome: what each finished stage took, and what
# became of the 32-bit suites.
summary() {
    local status=$?
    echo "=== summary"
    [ ${#timings[@]} -eq 0 ] || printf '%s\n' "${timings[@]}"
    [ -z "$win32_line" ] || echo "$win32_line"
    [ "$status" -eq 0 ] || echo "stopped in a stage after $((SECONDS - stage_started)) s (exit status $status)"
}
trap summary EXIT

stage "setup"
bash scripts/setup.sh
stage_done "setup"

# The fuzz targets for a few seconds each, so they stay buildable and clean.
stage "preset fuzz"
bash scripts/fuzz.sh 5
stage_done "preset fuzz (build, 5 s a target)"

for preset in default asan tsan; do
    stage "preset $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    stage_done "preset $preset (build and tests)"
done

stage "Windows set-up"
bash scripts/setup-mingw.sh
stage_done "Windows set-up (packages, libcrypto caches)"

stage "preset mingw (32-bit Windows)"
if bash scripts/runs-32bit-programs.sh >/dev/null; then
    cmake --preset mingw -DQUILLON_RUN_TARGET_PROGRAMS=ON >/dev/null
    cmake --build --preset mingw
    bash scripts/wine-env.sh win32 ctest --preset mingw
    win32_line="the 32-bit Windows suites ran under 32-bit Wine"
else
    # Built whole (the test programs too), and checked where no program of it has to run: the
    # export table read from the PE file, the import library linked by lld-link, and the
    # stack-alignment build check.
    cmake --preset mingw -DQUILLON_RUN_TARGET_PROGRAMS=OFF >/dev/null
    cmake --build --preset mingw
    ctest --preset mingw
    win32_line="32-bit programs cannot run on this machine: the 32-bit Windows suites were built, not run"
    echo "$win32_line"
fi
stage_done "preset mingw (build and tests)"

stage "preset mingw64 (64-bit Windows, tests under 64-bit Wine)"
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64
bash scripts/wine-env.sh win64 ctest --preset mingw64
stage_done "preset mingw64 (build and tests)"
