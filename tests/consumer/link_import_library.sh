#!/usr/bin/env bash
# Links a program against Quillon.lib as Microsoft's linker would: msvc_consumer.c compiled for
# the Microsoft ABI by clang, linked by lld-link with no C runtime. Then checks that the program
# imports from Quillon.dll by the ordinals of the .def, not by names the DLL does not export.
#   link_import_library.sh win32|win64 QUILLON_LIB DEF_FILE OUT.exe INCLUDE_DIR...
set -euo pipefail
arch=$1 library=$2 def=$3 out=$4
shift 4
includes=()
for directory in "$@"; do includes+=(-I"$directory"); done
here=$(cd "$(dirname "$0")" && pwd)
case "$arch" in
win32) target=i686-pc-windows-msvc machine=x86 objdump=i686-w64-mingw32-objdump ;;
win64) target=x86_64-pc-windows-msvc machine=x64 objdump=x86_64-w64-mingw32-objdump ;;
*)
    echo "usage: link_import_library.sh win32|win64 QUILLON_LIB DEF_FILE OUT.exe INCLUDE_DIR..." >&2
    exit 2
    ;;
esac
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

object=$(mktemp --suffix=.obj)
trap 'rm -f "$object"' EXIT
clang --target="$target" -std=c99 -Wall -Wextra -Werror -ffreestanding -fno-builtin \
    -fno-stack-protector -O1 "${includes[@]}" -c "$here/msvc_consumer.c" -o "$object"
lld-link -nologo -entry:Start -subsystem:console -nodefaultlib -machine:"$machine" "$object" \
    "$library" -out:"$out"

imports=$("$objdump" -p "$out" | sed -n '/DLL Name: Quillon.dll/,/^$/p')
[ -n "$imports" ] || fail "$out does not import from Quillon.dll"
# An import by ordinal: its thunk has the top bit set and the ordinal in its low 16 bits.
imported=" "
while read -r thunk _ member _; do
    if [ "$member" = "<none>" ]; then imported+="$((0x$thunk & 0xffff)) "; fi
done <<<"$imports"
for function in Sha1Create DigestUpdate Sha1Final; do
    ordinal=$(sed -n "s/^[[:space:]]*$function[[:space:]]*@\([0-9]*\).*/\1/p" "$def" | head -n 1)
    [ -n "$ordinal" ] || fail "$function is not in $def"
    [[ "$imported" == *" $ordinal "* ]] || fail "$out does not import $function by its ordinal $ordinal"
done
echo "ok: lld-link read $(basename "$library"): $out imports Quillon.dll by ordinal"
