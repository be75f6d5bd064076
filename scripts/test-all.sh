#!/usr/bin/env bash
# Every test: set up, run the fuzz targets briefly, then build and run the suites of each preset.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The fuzz targets for a few seconds each, so they stay buildable and clean.
echo "=== preset fuzz"
bash scripts/fuzz.sh 5
for preset in default asan tsan; do
    echo "=== preset $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
