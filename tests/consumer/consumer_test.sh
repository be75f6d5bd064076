#!/usr/bin/env bash
# Uses the module the way people outside the project do, from a build tree whose targets are
# all built:
#   consumer  installs into a staging prefix, then builds consumer.c against it through
#             find_package(Quillon) (Linux), pkg-config (both) and the DLL's import library
#             (Windows, run under Wine), and runs it;
#   package   makes the packages with cpack (Debian packages on Linux, a zip on Windows),
#             unpacks them into a throwaway root and runs `quillon selftest` from there; on
#             Windows it also links programs against the zip's Quillon.lib with mingw's linker
#             and with lld-link (Microsoft's linker's interface) and runs them.
# usage: consumer_test.sh consumer|package linux|win32|win64 BUILD_DIR VERSION C_COMPILER
set -euo pipefail
what=$1 target=$2 build=$(cd "$3" && pwd) version=$4 cc=$5
here=$(cd "$(dirname "$0")" && pwd)
case "$target" in
win32) triplet=i686-w64-mingw32 ;;
win64) triplet=x86_64-w64-mingw32 ;;
esac
work=$build/outside/$what
rm -rf "$work"
mkdir -p "$work"

expected="Quillon $version, SHA-1(\"abc\") = a9993e364706816aba3e25717850c26c9cd0d89d"
# grep -q that reads its input to the end: grep -q stops at the first match, and the writer,
# killed by SIGPIPE, would fail the pipeline under pipefail.
has() {
    grep "$@" >/dev/null
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Runs a Windows program under Wine and prints its output. Through a file, not a pipe: a Wine
# helper process started on the way inherits the output and would hold a pipe open after the
# program ends.
run_wine() {
    bash "$here/../../cmake/toolchains/wine-run.sh" "$target" "$@" >"$work/wine.out" </dev/null
    tr -d '\r' <"$work/wine.out"
}
# Runs a consumer program (under Wine for Windows) and compares what it printed.
run_consumer() {
    local got
    if [ "$target" != linux ]; then
        got=$(run_wine "$@")
    else
        got=$("$@")
    fi
    [ "$got" = "$expected" ] || fail "$1 printed '$got', not '$expected'"
    echo "ok: $1"
}
# Builds consumer.c with the flags pkg-config gives for the quillon.pc under a prefix.
build_with_pkg_config() {
    local prefix=$1 out=$2 pc
    pc=$(find "$prefix" -name quillon.pc -path '*/pkgconfig/*')
    [ -n "$pc" ] || fail "no quillon.pc under $prefix"
    export PKG_CONFIG_PATH=${pc%/quillon.pc} PKG_CONFIG_LIBDIR=${pc%/quillon.pc}
    [ "$(pkg-config --modversion quillon)" = "$version" ] || fail "pkg-config version"
    # shellcheck disable=SC2046
    "$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/consumer.c" \
        $(pkg-config --cflags --libs quillon) -o "$out"
    unset PKG_CONFIG_PATH PKG_CONFIG_LIBDIR
}

case "$what/$target" in
consumer/linux)
    cmake --install "$build" --prefix "$work/usr" >/dev/null
    library=$(find "$work/usr" -name libquillon.so)
    readelf -d "$library" | has 'SONAME.*\[libquillon\.so\.1\]' || fail "SONAME"
    cmake -S "$here" -B "$work/find-package" -DCMAKE_PREFIX_PATH="$work/usr" \
        -DCMAKE_C_COMPILER="$cc" >/dev/null
    cmake --build "$work/find-package" >/dev/null
    run_consumer "$work/find-package/consumer"
    # The program asks for the module's exports at their version node.
    objdump -T "$work/find-package/consumer" | has '(QUILLON_1) *Sha1Create$' ||
        fail "Sha1Create is not bound at QUILLON_1"
    build_with_pkg_config "$work/usr" "$work/pkg-config-consumer"
    LD_LIBRARY_PATH=$(dirname "$library") run_consumer "$work/pkg-config-consumer"
    ;;
consumer/win32 | consumer/win64)
    cmake --install "$build" --prefix "$work/stage" >/dev/null
    # Beside the DLL, where Windows looks for it.
    build_with_pkg_config "$work/stage" "$work/stage/bin/consumer.exe"
    "$triplet-objdump" -p "$work/stage/bin/consumer.exe" | has 'DLL Name: Quillon.dll' ||
        fail "consumer.exe does not import from Quillon.dll"
    run_consumer "$work/stage/bin/consumer.exe"
    ;;
package/linux)
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >/dev/null)
    arch=$(dpkg --print-architecture)
    for package in libquillon1 libquillon-dev quillon; do
        deb=$work/packages/${package}_${version}_$arch.deb
        [ -f "$deb" ] || fail "no $deb"
        dpkg -x "$deb" "$work/root"
        echo "$package: Depends: $(dpkg-deb -f "$deb" Depends)"
    done
    depends() { dpkg-deb -f "$work/packages/$1_${version}_$arch.deb" Depends; }
    depends libquillon1 | has 'libc6' || fail "libquillon1 without its libc6 dependency"
    depends libquillon-dev | has "libquillon1 (= $version)" || fail "libquillon-dev Depends"
    depends quillon | has "libquillon1 (= $version)" || fail "quillon Depends"
    dpkg-deb -I "$work/packages/libquillon1_${version}_$arch.deb" shlibs |
        has '^libquillon 1 libquillon1' || fail "libquillon1 has no shlibs entry"
    library=$(find "$work/root" -name 'libquillon.so.1')
    [ -f "$work/root/usr/share/man/man1/quillon.1" ] || fail "no manual page"
    LD_LIBRARY_PATH=$(dirname "$library") "$work/root/usr/bin/quillon" selftest |
        has -x 'self-test: pass' || fail "quillon selftest from the packages"
    echo "ok: quillon selftest from the packages"
    build_with_pkg_config "$work/root" "$work/dev-package-consumer"
    LD_LIBRARY_PATH=$(dirname "$library") run_consumer "$work/dev-package-consumer"
    ;;
package/win32 | package/win64)
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >/dev/null)
    zip=$work/packages/Quillon-$version-$target.zip
    [ -f "$zip" ] || fail "no $zip"
    mkdir "$work/unzipped"
    (cd "$work/unzipped" && cmake -E tar xf "$zip")
    root=$work/unzipped/Quillon-$version-$target
    for file in bin/Quillon.dll bin/quillon.exe include/quillon.h include/quillon_version.h \
        lib/libQuillon.dll.a lib/Quillon.lib lib/Quillon.def; do
        [ -f "$root/$file" ] || fail "the zip has no $file"
    done
    "$triplet-objdump" -p "$root/bin/Quillon.dll" | has -E 'MajorOSystemVersion[[:space:]]+6$' ||
        fail "Quillon.dll does not say Windows 6.0 in its PE header"
    run_wine "$root/bin/quillon.exe" selftest | has -x 'self-test: pass' ||
        fail "quillon.exe selftest from the zip"
    echo "ok: quillon.exe selftest from the zip"

    # Quillon.lib as mingw's linker reads it.
    "$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror -I"$root/include" "$here/consumer.c" \
        "$root/lib/Quillon.lib" -o "$root/bin/mingw-lib-consumer.exe"
    run_consumer "$root/bin/mingw-lib-consumer.exe"
    # Quillon.lib as Microsoft's linker reads it.
    bash "$here/link_import_library.sh" "$target" "$root/lib/Quillon.lib" "$root/lib/Quillon.def" \
        "$root/bin/msvc-consumer.exe" "$root/include"
    run_wine "$root/bin/msvc-consumer.exe" >/dev/null || fail "msvc-consumer.exe failed"
    echo "ok: the program lld-link made against Quillon.lib ran"
    ;;
*)
    fail "usage: consumer_test.sh consumer|package linux|win32|win64 BUILD_DIR VERSION C_COMPILER"
    ;;
esac
