#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the README pictures in docs/: the editor on the sample GB2312 subtitle, before and
# after 簡轉繁 + 字幕矯正, the Find dialog on a found word, and the review marks of the phrase step. The editor runs on a virtual
# display of its own (Xvfb) with openbox drawing the window frames, as on a desktop.
# Usage: scripts/screenshots.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh" --tools

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSUBBIG5_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target subbig5 >/dev/null

docs="$root/docs"
mkdir -p "$docs"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to descriptor 3; -br makes the root black,
# which the pictures trim away.
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# A fresh settings folder, so the pictures do not depend on this machine's last session;
# started in samples/, so that the window title is the file's name.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
(cd "$root/samples" && exec "$build/app/subbig5" gb2312-subtitle.srt) >"$work/editor.log" 2>&1 &
pids+=($!)
main=$(xdotool search --sync --onlyvisible --class subbig5 | head -n1)
xdotool windowactivate --sync "$main"
sleep 1

# The whole screen, trimmed to the windows on it; a small palette keeps each file small.
shot() {
  sleep 0.7
  import -window root png:- \
    | convert - -bordercolor black -border 1 -trim +repage -strip +dither -colors 128 "$docs/$1"
  echo "docs/$1 ($(stat -c %s "$docs/$1") bytes)"
}

shot editor-before.png          # the GB2312 bytes read as Big5
xdotool key ctrl+g
sleep 0.3
xdotool key ctrl+w
shot editor-after.png           # 簡轉繁, then 字幕矯正

xdotool key ctrl+f
dialog=$(xdotool search --sync --onlyvisible --name '^尋找$' | head -n1)
# Move the dialog low on the editor, so the found word in the fourth subtitle stays in view.
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/MAIN_/')"
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/DIALOG_/')"
xdotool windowmove "$dialog" $((MAIN_X + 60)) $((MAIN_Y + MAIN_HEIGHT - DIALOG_HEIGHT - 30))
xdotool windowactivate --sync "$dialog"
sleep 0.3
# The dialog opens with the focus on its 全部 option: click into the text box to type.
xdotool mousemove --window "$dialog" 190 18 click 1
sleep 0.3
xdotool type --delay 150 '軟體'
xdotool key alt+f                # 找下一個(F)
xdotool mousemove 0 0
shot editor-find.png

# Review marks: back to the file as opened, the phrase step, then the first uncertain mark
# (F8) with its readings (Ctrl+F8).
xdotool key Escape
xdotool windowactivate --sync "$main"
xdotool key ctrl+z ctrl+z
sleep 0.3
xdotool key ctrl+shift+g
sleep 0.5
xdotool key F8 F8
sleep 0.3
xdotool key ctrl+F8
shot editor-marks.png
xdotool key Escape
