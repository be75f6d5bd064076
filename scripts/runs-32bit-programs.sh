#!/usr/bin/env bash
# Answers whether this machine runs 32-bit x86 programs, by running one: exit status 0 and "yes"
# when it does, 1 and "no" when it does not. Some kernels refuse every i386 executable ("Exec
# format error") although i386 packages install, so neither uname nor the package list can tell.
# The program is a 96-byte static i386 ELF that exits with 42 through int 0x80; it needs no
# library, so a missing i386 libc cannot make the answer wrong.
#   bash scripts/runs-32bit-programs.sh
# QUILLON_PRETEND_NO_32BIT=1 makes it answer "no" on any machine, so that the path of a machine
# that cannot run them can be tried on one that can.
set -uo pipefail

if [ "${QUILLON_PRETEND_NO_32BIT:-}" = 1 ]; then
    echo no
    exit 1
fi

program=$(mktemp)
trap 'rm -f "$program"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$program"
chmod 700 "$program"

"$program" 2>/dev/null
if [ $? -eq 42 ]; then
    echo yes
    exit 0
fi
echo no
exit 1
