#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its tests under Wine need on Debian 12, when it is
# missing: the i686 mingw-w64 compilers, 32-bit Wine, and OpenSSL's libcrypto for mingw, built
# from Debian's source package into a cache outside the clone (QUILLON_OPENSSL_MINGW, default
# /var/cache/quillon/openssl-mingw) and reused when present (perl and dpkg-dev serve that build
# and apt-get source; pkg-config reads quillon.pc in the test that builds against the installed
# DLL).
# Runs as root, or through sudo otherwise. With --prefix it only prints where that cache is.
set -euo pipefail

prefix=${QUILLON_OPENSSL_MINGW:-/var/cache/quillon/openssl-mingw}
# The mingw toolchain file asks where that cache is: this script is the one place that says.
if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
packages=(g++-mingw-w64-i686 wine wine32:i386 libgtest-dev cmake make perl dpkg-dev pkg-config)

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup-mingw: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || "${as_root[@]}" dpkg --add-architecture i386
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The library needs DES and the big numbers (BN); the tests use libcrypto as an oracle too (EVP
# ciphers and digests, HMAC, RSA, DH, BN, EC keys, CAST5, X.509 and PKCS #7 for fixtures; the
# legacy provider is linked in). Only what neither is likely to use is left out, to keep the build
# short; OpenSSL's x86 assembly stays in (perlasm writes it for the mingw assembler), so the DLL's
# big numbers and DES run OpenSSL's own x86 code. A cache built with other options is rebuilt.
options=(no-shared no-module no-dso no-tests no-engine no-async no-sock
         no-autoload-config no-ui-console no-aria no-bf no-blake2 no-camellia no-chacha no-cmp
         no-ct no-gost no-idea no-mdc2 no-ocb no-ocsp no-poly1305 no-rc5 no-scrypt no-seed
         no-siphash no-siv no-sm2 no-sm3 no-sm4 no-srp no-srtp no-ssl no-tls no-dtls no-psk
         no-ts no-whirlpool
         # Linked into the DLL, whose callers align the stack to 4 bytes only.
         -mincoming-stack-boundary=2)
# The stamp also names what is done to the library after its build (below).
stamp="openssl/bookworm mingw ${options[*]} without-load-time-constructor"
if [ -f "$prefix/lib/libcrypto.a" ] && [ "$(cat "$prefix/options" 2>/dev/null)" = "$stamp" ]; then
    exit 0
fi

# No Debian package carries libcrypto for mingw: build it from the source of bookworm's openssl.
# Only the upstream tarball is needed, so a missing .dsc does not matter.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "setup-mingw: adding source entries for apt-get source"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${as_root[@]}" tee /etc/apt/sources.list.d/quillon-deb-src.sources >/dev/null
    "${as_root[@]}" apt-get update -qq
fi
(cd "$work" && apt-get source --download-only -qq openssl/bookworm >/dev/null 2>&1) || true
tarball=$(ls "$work"/openssl_*.orig.tar.gz 2>/dev/null | head -n 1)
if [ -z "$tarball" ]; then
    echo "setup-mingw: could not download the source of openssl" >&2
    exit 1
fi

echo "setup-mingw: building libcrypto for mingw from $(basename "$tarball") into $prefix"
tar -xzf "$tarball" -C "$work"
source_dir=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
(
    cd "$source_dir"
    ./Configure mingw --cross-compile-prefix=i686-w64-mingw32- --prefix="$prefix" --libdir=lib \
        "${options[@]}"
) >/dev/null
make -C "$source_dir" -j"$(nproc)" build_generated >/dev/null
make -C "$source_dir" -j"$(nproc)" libcrypto.a >/dev/null
# The x86 assembly registers OPENSSL_cpuid_setup as a load-time constructor (.ctors of its
# x86cpuid member). The DLL runs no foreign code at load: the constructor goes, and the module
# calls the set-up itself before its first big-number operation.
(
    cd "$source_dir"
    member=$(i686-w64-mingw32-ar t libcrypto.a | grep x86cpuid)
    i686-w64-mingw32-ar x libcrypto.a "$member"
    i686-w64-mingw32-objcopy --remove-section=.ctors "$member"
    i686-w64-mingw32-ar r libcrypto.a "$member"
)
# Made beside the cache and swapped in whole, so a build using the old cache meanwhile never
# sees it half replaced; the options go in last: their presence marks the cache as complete.
staging="$prefix.new"
"${as_root[@]}" rm -rf "$staging" "$prefix.old"
"${as_root[@]}" mkdir -p "$staging/lib" "$staging/include"
"${as_root[@]}" cp -r "$source_dir/include/openssl" "$staging/include/"
"${as_root[@]}" cp "$source_dir/libcrypto.a" "$staging/lib/"
echo "$stamp" | "${as_root[@]}" tee "$staging/options" >/dev/null
[ ! -e "$prefix" ] || "${as_root[@]}" mv "$prefix" "$prefix.old"
"${as_root[@]}" mv "$staging" "$prefix"
"${as_root[@]}" rm -rf "$prefix.old"
echo "setup-mingw: libcrypto for mingw ready in $prefix"
