#!/usr/bin/env bash
# Runs a command (usually ctest for the mingw preset) with a headless 32-bit Wine prepared for
# the Windows programs:
#   bash scripts/wine-env.sh ctest --preset mingw
# The prefix lives in the build folder (build/mingw/wine, or QUILLON_WINEPREFIX). The Wine server
# is started once, persistent and with every output sent to /dev/null: a server started by the
# first test program would inherit that program's output and keep ctest or a CI log pipe waiting.
# It is stopped when the command ends, whatever the outcome.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEPREFIX=${QUILLON_WINEPREFIX:-$PWD/build/mingw/wine}
export WINEARCH=win32
# Headless: no window-system noise, but a missing DLL is still reported (with -all alone it is
# a silent exit code 53). No Mono or Gecko set-up.
export WINEDEBUG=${QUILLON_WINEDEBUG:--all,err+module}
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 </dev/null || true' EXIT
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >/dev/null 2>&1 </dev/null
"$@"
