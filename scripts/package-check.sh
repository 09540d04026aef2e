#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tries the Debian package on a clean Debian 12: installs it with apt in a fresh debootstrap
# chroot, checks that the converter, its man page, the desktop entry, the licence file and the
# editor work there, removes it, and checks that none of it is left. Needs root and Debian's archive; the first run
# downloads a minimal system into build/bookworm-base, which later runs copy. Several minutes.
# Usage: scripts/package-check.sh [PACKAGE.deb]   (default: build it with scripts/package.sh)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "$(id -u)" -ne 0 ]; then
  echo "package-check.sh: needs root (debootstrap, chroot, mount)" >&2
  exit 1
fi
"$root/scripts/deps.sh" --tools

deb="${1:-}"
if [ -z "$deb" ]; then
  deb="$("$root/scripts/package.sh" | tail -n1)"
fi
deb="$(realpath "$deb")"
base="$root/build/bookworm-base"
target="$root/build/bookworm-check"

unmount_all() {
  for m in "$target/proc" "$target/dev/pts" "$target/dev"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
}
trap unmount_all EXIT
# Removes the chroot, never while anything (the host's /dev above all) is mounted inside it.
remove_target() {
  unmount_all
  if findmnt -rn -o TARGET | grep -qF "$target"; then
    echo "package-check.sh: something is still mounted under $target" >&2
    exit 1
  fi
  rm -rf "$target"
}

# The clean system: Debian 12 as debootstrap leaves it, from the archive this machine's apt uses.
if [ ! -e "$base/.complete" ]; then
  rm -rf "$base"
  mirror="$(apt-get indextargets 'Created-By: Packages' 'Release: bookworm' --format '$(REPO_URI)' | head -n1)"
  echo "package-check: debootstrap bookworm into $base" >&2
  debootstrap --variant=minbase bookworm "$base" ${mirror:+"$mirror"} >/dev/null
  touch "$base/.complete"
fi
remove_target
cp -a "$base" "$target"
mount -t proc proc "$target/proc"
mount --bind /dev "$target/dev"
mount --bind /dev/pts "$target/dev/pts"
cp /etc/resolv.conf "$target/etc/resolv.conf"
cp "$deb" "$root/samples/gb2312-subtitle.srt" "$target/tmp/"
package="/tmp/$(basename "$deb")"

in_chroot() {
  chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
failures=0
check() {   # check DESCRIPTION COMMAND...: runs COMMAND in the chroot, says how it went
  local what="$1"
  shift
  if out="$(in_chroot "$@" 2>&1)"; then
    echo "ok    $what"
  else
    echo "FAIL  $what"
    printf '%s\n' "$out" | head -n 20 | sed 's/^/      /'
    failures=$((failures + 1))
  fi
}
# Every path on the system, but for what changes on its own (caches, logs, package lists).
snapshot() {
  in_chroot find / -xdev \( -path /proc -o -path /dev -o -path /sys -o -path /tmp -o -path /run \
    -o -path /var/cache -o -path /var/log -o -path /var/lib/apt -o -path /var/lib/dpkg \) -prune -o -print | sort
}

in_chroot apt-get update -qq
# What a desktop user has beside the package: man pages, the desktop file tools.
in_chroot apt-get install -y -qq man-db desktop-file-utils >/dev/null
snapshot >"$target/tmp/before"

check "apt install ./$(basename "$deb")" apt-get install -y -qq "$package"
in_chroot dpkg -L subbig5 >"$target/tmp/files"
check "subbig5-convert --help" sh -c 'subbig5-convert --help | grep -q -e "--gb-to-big5"'
check "subbig5-convert -g -w on the sample" sh -c 'subbig5-convert -g -w --utf8 /tmp/gb2312-subtitle.srt | grep -q 乾杯'
check "subbig5-convert -p (OpenCC's data installed with it)" \
  sh -c 'subbig5-convert -p --utf8 /tmp/gb2312-subtitle.srt | grep -q 乾杯'
check "man subbig5-convert" sh -c 'MANWIDTH=80 man -P cat subbig5-convert | grep -q -e "--in-place"'
check "man subbig5" sh -c 'MANWIDTH=80 man -P cat subbig5 | grep -q subbig5-convert'
check "licences and changelogs in /usr/share/doc/subbig5" sh -c \
  'head -n1 /usr/share/doc/subbig5/copyright | grep -q copyright-format/1.0 &&
   zcat /usr/share/doc/subbig5/changelog.Debian.gz | head -n1 | grep -q "^subbig5 (" &&
   zcat /usr/share/doc/subbig5/changelog.gz | grep -q "^## "'
version="$(dpkg-deb -f "$deb" Version)"
check "subbig5 --version without a display" sh -c "subbig5 --version | grep -qx 'subbig5 ${version%-*}'"
check "subbig5 --help without a display" sh -c 'subbig5 --help | grep -q -e "--version"'
check "desktop-file-validate" desktop-file-validate /usr/share/applications/subbig5.desktop
check "Open with: subtitles listed for subbig5.desktop" \
  sh -c 'grep -q "^application/x-subrip=.*subbig5.desktop" /usr/share/applications/mimeinfo.cache'
check "every library found" sh -c '! ldd /usr/bin/subbig5 /usr/bin/subbig5-convert | grep "not found"'
# The editor has no display here; on the offscreen platform it must still be running after a few
# seconds (timeout's 124), having loaded its file, tables and plugins.
check "subbig5 starts" sh -c 'QT_QPA_PLATFORM=offscreen timeout 5 subbig5 /tmp/gb2312-subtitle.srt; test $? -eq 124'

check "apt remove subbig5" apt-get remove -y -qq subbig5
check "no file of the package is left" sh -c \
  'while read -r f; do if [ -e "$f" ] && [ ! -d "$f" ]; then echo "$f"; exit 1; fi; done </tmp/files'
check "no cache names subbig5 any more" sh -c '! grep -rl subbig5 /usr/share/applications /usr/share/mime /usr/share/icons 2>/dev/null'
check "dpkg forgot subbig5" sh -c '! dpkg-query -W -f="\${Status}" subbig5 2>/dev/null | grep -q -e "ok installed" -e config-files'
in_chroot apt-get autoremove -y -qq --purge >/dev/null
snapshot >"$target/tmp/after"
left="$(comm -13 "$target/tmp/before" "$target/tmp/after")"
if [ -n "$left" ]; then
  echo "note  paths added since before the install (after autoremove):"
  printf '%s\n' "$left" | head -n 30 | sed 's/^/      /'
fi

if [ "$failures" -ne 0 ]; then
  echo "package-check: $failures check(s) failed; the chroot stays in $target" >&2
  exit 1
fi
remove_target
echo "package-check: $(basename "$deb") installs, works and removes cleanly on Debian 12"
