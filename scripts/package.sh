#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a release build, checks what it holds, runs lintian on it, and
# prints its path: build/package/subbig5_VERSION-REVISION_ARCH.deb. Install it with
# `apt install ./build/package/subbig5_*.deb`; scripts/package-check.sh tries it on a clean Debian 12.
#
# The package names its maintainer, whoever builds it: DEBFULLNAME and DEBEMAIL (as dch reads
# them), else git's user.name and user.email. The project has no address of its own to use.
# Usage: scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"

name="${DEBFULLNAME:-$(git -C "$root" config user.name || true)}"
email="${DEBEMAIL:-$(git -C "$root" config user.email || true)}"
if [ -z "$name" ] || [ -z "$email" ]; then
  echo "package.sh: a Debian package names its maintainer: set DEBFULLNAME and DEBEMAIL" \
       "(or git's user.name and user.email) to yours" >&2
  exit 1
fi
case "$email" in
  *example.org | *example.com | *example.net | *.example | *.invalid | *.test | *localhost)
    echo "package.sh: warning: the maintainer's address $email reaches no one; set DEBEMAIL" \
         "to a real one before giving the package to anyone" >&2 ;;
esac

# Debian's compiler and linker flags (hardening included); the source folder is named "." in
# what they record.
cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"

build="$root/build/package"
rm -f "$build"/subbig5_*.deb
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DSUBBIG5_BUILD_TESTS=OFF -DSUBBIG5_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DSUBBIG5_PACKAGE_MAINTAINER="$name <$email>" >/dev/null
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

# The licences and the changelog where Debian keeps them; every dependency named once.
for doc in copyright changelog.Debian.gz; do
  if [ ! -s "$unpacked/usr/share/doc/subbig5/$doc" ]; then
    echo "package.sh: /usr/share/doc/subbig5/$doc is missing from $deb" >&2
    exit 1
  fi
done
if dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort | uniq -d | grep .; then
  echo "package.sh: the dependencies above are named twice in $deb" >&2
  exit 1
fi

# lintian's errors stop the build; its warnings are shown (on standard error, so that the last
# line of standard output stays the package's path).
if command -v lintian >/dev/null; then
  if ! lintian --tag-display-limit 0 "$deb" >&2; then
    echo "package.sh: lintian reports errors in $deb" >&2
    exit 1
  fi
else
  echo "package.sh: lintian is not installed (scripts/deps.sh --tools); the package is not checked" >&2
fi

dpkg-deb -f "$deb" Package Version Maintainer Depends Recommends Suggests
echo "$deb"
