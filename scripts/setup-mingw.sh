#!/usr/bin/env bash
# Installs what the Windows builds and their tests under Wine need on Debian 12, when it is
# missing, for the 32-bit target (i686) and the 64-bit one (x86_64): the mingw-w64 compilers,
# Wine (64-bit everywhere, 32-bit only where this machine runs 32-bit programs), llvm-dlltool and
# lld-link for the import library that Microsoft's linker reads, and OpenSSL's libcrypto for each
# target, built from Debian's source package into a cache outside the clone and reused when
# present (perl and dpkg-dev serve that build and apt-get source; pkg-config reads quillon.pc in
# the test that builds against the installed DLL), and the sources of Google Benchmark, which the
# Windows benchmarks build for their target (no Debian package carries it for mingw).
#   bash scripts/setup-mingw.sh [i686|x86_64]...      both targets when none is named
#   bash scripts/setup-mingw.sh --prefix i686|x86_64  only prints where that target's cache is
#   bash scripts/setup-mingw.sh --benchmark-source    only prints where Benchmark's sources are
# The caches: QUILLON_OPENSSL_MINGW (default /var/cache/quillon/openssl-mingw) for i686,
# QUILLON_OPENSSL_MINGW64 (default /var/cache/quillon/openssl-mingw64) for x86_64,
# QUILLON_BENCHMARK_SOURCE (default /var/cache/quillon/benchmark-source).
# Runs as root, or through sudo otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

cache_of() {
    case "$1" in
    i686) echo "${QUILLON_OPENSSL_MINGW:-/var/cache/quillon/openssl-mingw}" ;;
    x86_64) echo "${QUILLON_OPENSSL_MINGW64:-/var/cache/quillon/openssl-mingw64}" ;;
    *)
        echo "setup-mingw: unknown target '$1' (i686 or x86_64)" >&2
        exit 2
        ;;
    esac
}
benchmark_source=${QUILLON_BENCHMARK_SOURCE:-/var/cache/quillon/benchmark-source}
# The mingw toolchain files ask where a cache is: this script is the one place that says.
if [ "${1:-}" = --prefix ]; then
    cache_of "${2:?setup-mingw: --prefix needs a target}"
    exit 0
fi
if [ "${1:-}" = --benchmark-source ]; then
    echo "$benchmark_source"
    exit 0
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(i686 x86_64)
for target in "${targets[@]}"; do cache_of "$target" >/dev/null; done

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

packages=(wine wine64 llvm lld libgtest-dev cmake make perl dpkg-dev pkg-config)
for target in "${targets[@]}"; do
    case "$target" in
    i686) packages+=(g++-mingw-w64-i686) ;;
    x86_64) packages+=(g++-mingw-w64-x86-64) ;;
    esac
done
runs_32bit=no
if [[ " ${targets[*]} " == *" i686 "* ]] && bash "$here/runs-32bit-programs.sh" >/dev/null; then
    runs_32bit=yes
    packages+=(wine32:i386)
fi
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup-mingw: installing ${missing[*]}"
    if [ "$runs_32bit" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The library needs DES and the big numbers (BN); the tests use libcrypto as an oracle too (EVP
# ciphers and digests, HMAC, RSA, DH, BN, EC keys, CAST5, X.509 and PKCS #7 for fixtures; the
# legacy provider is linked in). Only what neither is likely to use is left out, to keep the build
# short; OpenSSL's assembly stays in (perlasm writes it for the mingw assembler), so the DLL's
# big numbers and DES run OpenSSL's own x86 or x86-64 code. A cache built with other options is
# rebuilt.
common_options=(no-shared no-module no-dso no-tests no-engine no-async no-sock
                no-autoload-config no-ui-console no-aria no-bf no-blake2 no-camellia no-chacha
                no-cmp no-ct no-gost no-idea no-mdc2 no-ocb no-ocsp no-poly1305 no-rc5 no-scrypt
                no-seed no-siphash no-siv no-sm2 no-sm3 no-sm4 no-srp no-srtp no-ssl no-tls
                no-dtls no-psk no-ts no-whirlpool)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Unpacks the upstream source of one of bookworm's source packages into $work/<package>-<version>
# and prints that folder. Only the upstream tarball is needed, so a missing .dsc does not matter.
unpack_source() {
    local package=$1 tarball
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        echo "setup-mingw: adding source entries for apt-get source" >&2
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${as_root[@]}" tee /etc/apt/sources.list.d/quillon-deb-src.sources >/dev/null
        "${as_root[@]}" apt-get update -qq
    fi
    (cd "$work" && apt-get source --download-only -qq "$package/bookworm" >/dev/null 2>&1) || true
    tarball=$(ls "$work/${package}_"*.orig.tar.* 2>/dev/null | head -n 1)
    if [ -z "$tarball" ]; then
        echo "setup-mingw: could not download the source of $package" >&2
        exit 1
    fi
    tar -xf "$tarball" -C "$work"
    find "$work" -maxdepth 1 -type d -name "$package-*" | head -n 1
}

# No Debian package carries libcrypto for mingw: it is built from bookworm's openssl, unpacked
# once for every target built in this run.
source_dir=""
unpack_openssl() {
    [ -n "$source_dir" ] || source_dir=$(unpack_source openssl)
}

build_libcrypto() {
    local target=$1 prefix configure triplet options stamp build member
    prefix=$(cache_of "$target")
    triplet=$target-w64-mingw32
    options=("${common_options[@]}")
    if [ "$target" = i686 ]; then
        configure=mingw
        # Linked into the DLL, whose 32-bit callers align the stack to 4 bytes only.
        options+=(-mincoming-stack-boundary=2)
    else
        configure=mingw64
    fi
    # The stamp also names what is done to the library after its build (below).
    stamp="openssl/bookworm $configure ${options[*]} without-load-time-constructor"
    if [ -f "$prefix/lib/libcrypto.a" ] && [ "$(cat "$prefix/options" 2>/dev/null)" = "$stamp" ]; then
        return 0
    fi

    unpack_openssl
    echo "setup-mingw: building libcrypto for $triplet from $(basename "$source_dir") into $prefix"
    build="$work/build-$target"
    cp -r "$source_dir" "$build"
    (cd "$build" && ./Configure "$configure" --cross-compile-prefix="$triplet-" \
        --prefix="$prefix" --libdir=lib "${options[@]}") >/dev/null
    make -C "$build" -j"$(nproc)" build_generated >/dev/null
    make -C "$build" -j"$(nproc)" libcrypto.a >/dev/null
    # The assembly registers OPENSSL_cpuid_setup as a load-time constructor (.ctors of its
    # x86cpuid or x86_64cpuid member). The DLL runs no foreign code at load: the constructor
    # goes, and the module calls the set-up itself before its first big-number operation.
    (
        cd "$build"
        member=$("$triplet-ar" t libcrypto.a | grep -E '(^|-)x86(_64)?cpuid\.obj?$')
        "$triplet-ar" x libcrypto.a "$member"
        "$triplet-objdump" -h "$member" | grep -q ' \.ctors ' || {
            echo "setup-mingw: no .ctors section in $member" >&2
            exit 1
        }
        "$triplet-objcopy" --remove-section=.ctors "$member"
        "$triplet-ar" r libcrypto.a "$member"
    )
    # Made beside the cache and swapped in whole, so a build using the old cache meanwhile never
    # sees it half replaced; the options go in last: their presence marks the cache as complete.
    local staging="$prefix.new"
    "${as_root[@]}" rm -rf "$staging" "$prefix.old"
    "${as_root[@]}" mkdir -p "$staging/lib" "$staging/include"
    "${as_root[@]}" cp -r "$build/include/openssl" "$staging/include/"
    "${as_root[@]}" cp "$build/libcrypto.a" "$staging/lib/"
    echo "$stamp" | "${as_root[@]}" tee "$staging/options" >/dev/null
    [ ! -e "$prefix" ] || "${as_root[@]}" mv "$prefix" "$prefix.old"
    "${as_root[@]}" mv "$staging" "$prefix"
    "${as_root[@]}" rm -rf "$prefix.old"
    echo "setup-mingw: libcrypto for $triplet ready in $prefix"
}

for target in "${targets[@]}"; do
    build_libcrypto "$target"
done

if [ ! -f "$benchmark_source/CMakeLists.txt" ]; then
    unpacked=$(unpack_source benchmark)
    "${as_root[@]}" rm -rf "$benchmark_source.new"
    "${as_root[@]}" mkdir -p "$(dirname "$benchmark_source")"
    "${as_root[@]}" cp -r "$unpacked" "$benchmark_source.new"
    "${as_root[@]}" mv "$benchmark_source.new" "$benchmark_source"
    echo "setup-mingw: Google Benchmark's sources ready in $benchmark_source"
fi
