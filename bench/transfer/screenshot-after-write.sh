#!/usr/bin/env bash
# A screenshot of the main window after a completed write to the simulated
# device, under a virtual X server: the success message over the window, then
# the window alone with its status line. BUILD_DIR picks the build (default: build).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
out=${OUT_DIR:-docs}
source scripts/display.sh
tmp=$(mktemp -d)
app= sim=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; [ -n "$sim" ] && kill "$sim" 2>/dev/null; display_stop; rm -rf "$tmp"' EXIT
display_start

"$build/tools/devsim/devsim" >"$tmp/devsim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -n "$(ls "$XDG_RUNTIME_DIR/ostra-ports" 2>/dev/null)" ] && break; sleep 0.1; done

"$build/ui/qt/uploader" &
app=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name 'ZOR-5 Bootloader' | head -1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")"
# The Write picture button: left 128, top 8, 73 x 57 inside the panel at 7, 8.
xdotool mousemove $((X + 7 + 128 + 36)) $((Y + 8 + 8 + 28)) click 1
# The write ends with the success message box.
for _ in $(seq 120); do
  [ "$(xdotool search --onlyvisible --name 'ZOR-5 Bootloader' | wc -l)" -gt 1 ] && break
  sleep 0.5
done
sleep 0.5
import -window root "$tmp/message.png"
/usr/bin/convert "$tmp/message.png" -trim +repage "$out/main-window-write-completed-message.png"
echo "$out/main-window-write-completed-message.png"
xdotool key Return
sleep 1
display_shoot "$main" "$out/main-window-after-write.png"
