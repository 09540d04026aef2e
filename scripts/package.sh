#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a release build, checks what it holds, and prints its path:
# build/package/subbig5_VERSION_ARCH.deb. Install it with `apt install ./build/package/subbig5_*.deb`;
# scripts/package-check.sh tries it on a clean Debian 12.
# Usage: scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build/package"
rm -f "$build"/subbig5_*.deb
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DSUBBIG5_BUILD_TESTS=OFF -DSUBBIG5_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target package >/dev/null
deb="$(ls "$build"/subbig5_*.deb)"

# Everything lies under /usr, and nothing in it, programs included, names the machine it was
# built on.
if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/'; then
  echo "package.sh: files outside /usr in $deb" >&2
  exit 1
fi
unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
if grep -rlF -e "$root" -e "$build" "$unpacked"; then
  echo "package.sh: the files above name the build or source folder" >&2
  exit 1
fi

dpkg-deb -f "$deb" Package Version Depends Recommends Suggests
echo "$deb"
