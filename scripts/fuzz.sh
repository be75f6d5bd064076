#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target for a bounded time (seconds per target,
# default 5) on its seeds (fuzz/seeds/<name>/) and dictionary (fuzz/<name>.dict), if any. New
# inputs go to build/fuzz/corpus/<name>/, which later runs reuse. A finding fails the script
# and leaves the crashing input in build/fuzz/findings/.
#   bash scripts/fuzz.sh [seconds] [name ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for source in fuzz/*_fuzz.cpp; do names+=("$(basename "$source" .cpp)"); done
fi

mkdir -p build/fuzz/findings
passed=0
failed=0
for name in "${names[@]}"; do
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=4096
             -artifact_prefix=build/fuzz/findings/"$name"- "$corpus")
    [ -d fuzz/seeds/"$name" ] && options+=(fuzz/seeds/"$name")
    [ -f fuzz/"$name".dict ] && options=(-dict=fuzz/"$name".dict "${options[@]}")
    echo "=== fuzz $name (${seconds}s)"
    if ./build/fuzz/fuzz/"$name" "${options[@]}" >build/fuzz/"$name".log 2>&1; then
        grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' build/fuzz/"$name".log || true
        passed=$((passed + 1))
    else
        tail -n 60 build/fuzz/"$name".log
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
