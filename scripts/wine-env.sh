#!/usr/bin/env bash
# Runs a command (usually ctest for a Windows preset) with a headless Wine prepared for the
# Windows programs of one target:
#   bash scripts/wine-env.sh win32 ctest --preset mingw      32-bit Wine, build/mingw/wine
#   bash scripts/wine-env.sh win64 ctest --preset mingw64    64-bit Wine, build/mingw64/wine
# The prefix lives in the target's build folder (or QUILLON_WINEPREFIX). The Wine server is
# started once, persistent and with every output sent to /dev/null: a server started by the
# first test program would inherit that program's output and keep ctest or a CI log pipe waiting.
# It is stopped when the command ends, whatever the outcome. 32-bit Wine needs a machine that
# runs 32-bit programs: elsewhere this says so and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
win32)
    build=build/mingw
    loader=wine
    if ! bash scripts/runs-32bit-programs.sh >/dev/null; then
        echo "wine-env: 32-bit programs cannot run on this machine, so 32-bit Wine cannot" >&2
        exit 1
    fi
    ;;
win64)
    build=build/mingw64
    # Not on PATH; `wine` picks the 32-bit loader whenever 32-bit Wine is installed.
    loader=/usr/lib/wine/wine64
    ;;
*)
    echo "usage: wine-env.sh win32|win64 COMMAND [ARGUMENT]..." >&2
    exit 2
    ;;
esac
export WINEARCH=$1
shift
export WINEPREFIX=${QUILLON_WINEPREFIX:-$PWD/$build/wine}
# Headless: no window-system noise, but a missing DLL is still reported (with -all alone it is
# a silent exit code 53). No Mono or Gecko set-up.
export WINEDEBUG=${QUILLON_WINEDEBUG:--all,err+module}
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 </dev/null || true' EXIT
wineserver -p >/dev/null 2>&1 </dev/null
"$loader" wineboot -i >/dev/null 2>&1 </dev/null
"$@"
