#!/usr/bin/env bash
# Every test: set up, run the fuzz targets briefly, then build and run the suites of each Linux
# preset, and last the 32-bit Windows build with its suites under Wine.
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
echo "=== preset mingw (32-bit Windows, tests under Wine)"
bash scripts/setup-mingw.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
bash scripts/wine-env.sh ctest --preset mingw
