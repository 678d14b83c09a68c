#!/usr/bin/env bash
# Screenshots of the program's windows under a virtual X server:
# docs/main-window.png (compact, ready to write), docs/main-window-expanded.png
# (after Ctrl+Shift+E) and docs/about-window.png (after F1).
# BUILD_DIR picks the build (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${BUILD_DIR:-build}
if [ ! -x "$build/ui/qt/uploader" ]; then
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target uploader
fi
source scripts/display.sh
app=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; display_stop' EXIT
display_start

"$build/ui/qt/uploader" &
app=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name 'ZOR-5 Bootloader' | head -1)
xdotool mousemove 0 0
sleep 1

display_shoot "$main" docs/main-window.png

xdotool windowfocus --sync "$main"
xdotool key ctrl+shift+e
sleep 0.5
display_shoot "$main" docs/main-window-expanded.png

xdotool key F1
helpwin=$(timeout 10 xdotool search --sync --onlyvisible --name 'Про програму' | head -1)
sleep 0.5
display_shoot "$helpwin" docs/about-window.png
