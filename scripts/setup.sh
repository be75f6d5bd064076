#!/usr/bin/env bash
# Installs what the Linux build and its tests need on Debian 12, when it is missing.
# Runs as root, or through sudo otherwise.
set -euo pipefail

# clang and its runtime libraries (libFuzzer, sanitizers) serve the fuzz preset; the system CA
# bundle (ca-certificates) is the certificate tests' set of real certificates; pkcs11.h comes
# from libp11-kit-dev, and SoftHSM (softhsm2) is the real token the PKCS #11 tests use;
# dpkg-dev's dpkg-shlibdeps gives the Debian packages their dependencies (CPack picks the
# programs among the files with file), pkg-config reads quillon.pc in the test that builds
# against the installed library; python3 runs the check that the folders' include graph has no
# loop, clang-format checks the layout of the sources, and valgrind (memcheck and its client
# request headers) runs the constant-time check.
packages=(cmake make g++ pkg-config binutils libssl-dev libgtest-dev
          libbenchmark-dev clang libclang-rt-14-dev ca-certificates libp11-kit-dev softhsm2
          dpkg-dev file python3 clang-format valgrind)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
