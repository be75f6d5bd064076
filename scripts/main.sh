#!/usr/bin/env bash
# The main job: set up, build the library and the quillon command, run its self-test and a
# short demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon_cli
./build/default/cli/quillon selftest
./build/default/cli/quillon demo
