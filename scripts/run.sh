#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the release configuration and starts the editor.
# Usage: scripts/run.sh [FILE]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSUBBIG5_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target subbig5 subbig5-convert >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: showing the batch converter on the sample GB2312 subtitle instead." >&2
  echo "\$ subbig5-convert -g -w --utf8 samples/gb2312-subtitle.srt" >&2
  "$build/cli/subbig5-convert" -g -w --utf8 "$root/samples/gb2312-subtitle.srt"
  echo "SubBig5 is a desktop editor and needs a display (X11 or Wayland). On a desktop, run: scripts/run.sh [FILE]" >&2
  exit 0   # it did what it could without a display
fi
exec "$build/app/subbig5" "$@"
