#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages SubBig5 needs to build, test and run. Safe to run again:
# it only calls apt-get when something is missing. Usage: scripts/deps.sh [--tools]
set -euo pipefail

# Build, tests and the program itself (the CJK font, or Chinese shows as empty boxes;
# OpenCC's dictionaries for the table generator, whose output a test checks; rsvg-convert
# renders the installed icon sizes).
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-translations-l10n
  libqscintilla2-qt6-dev
  libicu-dev
  libgtest-dev
  opencc libopencc-dev
  fonts-noto-cjk
  librsvg2-bin
  clang libclang-rt-dev   # the fuzz targets (tests/fuzz), which the suite runs for a few seconds each
)
# With --tools, also what screenshots under a virtual display and the benchmark use, the
# validators the install test runs when present, and what the package scripts need.
if [ "${1:-}" = "--tools" ]; then
  packages+=(xvfb xauth x11-utils imagemagick time)
  packages+=(xdotool openbox)                           # scripts/screenshots.sh
  packages+=(desktop-file-utils appstream man-db)       # validators in the install test
  packages+=(debootstrap)                               # scripts/package-check.sh
  packages+=(lintian)                                   # scripts/package.sh checks the .deb with it
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
