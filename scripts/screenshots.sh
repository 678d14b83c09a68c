#!/usr/bin/env bash
# Screenshots of the program's windows under a virtual X server:
# docs/main-window.png (compact, ready to write), docs/main-window-expanded.png
# (after Ctrl+Shift+E) and docs/about-window.png (after F1).
# BUILD_DIR picks the build (default: build); SCREENSHOT_DISPLAY the X display number.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${BUILD_DIR:-build}
if [ ! -x "$build/ui/qt/uploader" ]; then
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target uploader
fi
export DISPLAY=:${SCREENSHOT_DISPLAY:-99}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
tmp=$(mktemp -d)
app=
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$build/ui/qt/uploader" &
app=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name 'ZOR-5 Bootloader' | head -1)
xdotool mousemove 0 0
sleep 1

# Crops the screen to a window's outer rectangle.
shoot() {
  local wid=$1 out=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  import -window root "$tmp/root.png"
  /usr/bin/convert "$tmp/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
  echo "$out: ${WIDTH}x${HEIGHT} at $X,$Y"
}

shoot "$main" docs/main-window.png

xdotool windowfocus --sync "$main"
xdotool key ctrl+shift+e
sleep 0.5
shoot "$main" docs/main-window-expanded.png

xdotool key F1
helpwin=$(timeout 10 xdotool search --sync --onlyvisible --name 'Про програму' | head -1)
sleep 0.5
shoot "$helpwin" docs/about-window.png
