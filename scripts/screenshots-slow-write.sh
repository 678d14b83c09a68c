#!/usr/bin/env bash
# Screenshots under a virtual X server with a window manager, so windows have
# their title bars: the expanded main window after a write to a slow simulated
# device (the auto-calibration counter shows whole pauses), and the About window.
# Writes docs/main-window-expanded-after-slow-write.png and docs/about-window-title-bar.png.
# BUILD_DIR picks the build (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if ! command -v openbox >/dev/null || ! command -v xwininfo >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends openbox x11-utils
fi
build=${BUILD_DIR:-build}
source scripts/display.sh
tmp=$(mktemp -d)
app= sim= wm=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; [ -n "$sim" ] && kill "$sim" 2>/dev/null; [ -n "$wm" ] && kill "$wm" 2>/dev/null; display_stop; rm -rf "$tmp"' EXIT
display_start
# Title bars with the title and the close box only, so a narrow window's title
# is not cut short by buttons it does not have.
cat >"$tmp/rc.xml" <<'XML'
<?xml version="1.0"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme>
    <titleLayout>LC</titleLayout>
    <font place="ActiveWindow"><name>DejaVu Sans</name><size>8</size></font>
    <font place="InactiveWindow"><name>DejaVu Sans</name><size>8</size></font>
  </theme>
</openbox_config>
XML
openbox --config-file "$tmp/rc.xml" >/dev/null 2>&1 &
wm=$!
sleep 1

# A device slow to erase, write and program: the pauses grow to meet it.
"$build/tools/devsim/devsim" --erase-ms 30 --write-ms 3 --program-ms 5 >"$tmp/devsim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -n "$(ls "$XDG_RUNTIME_DIR/ostra-ports" 2>/dev/null)" ] && break; sleep 0.1; done

"$build/ui/qt/uploader" &
app=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZOR-5 Bootloader' | head -1)
sleep 1
# The window with its frame: the client's rectangle grown by the frame's extents.
shoot() {
  local wid=$1 file=$2 x y w h l r t b
  read -r x y w h < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
  read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  import -window root "$tmp/root.png"
  /usr/bin/convert "$tmp/root.png" -crop "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))" +repage "$file"
  echo "$file: $((w + l + r))x$((h + t + b)) with its frame"
}
xdotool windowactivate --sync "$main"
xdotool key ctrl+shift+e
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
# The Write picture button: left 128, top 8, 73 x 57 inside the panel at 7, 8.
xdotool mousemove $((X + 7 + 128 + 36)) $((Y + 8 + 8 + 28)) click 1
# The write ends with the success message box.
for _ in $(seq 240); do
  [ "$(xdotool search --onlyvisible --name '^ZOR-5 Bootloader' | wc -l)" -gt 1 ] && break
  sleep 0.5
done
sleep 0.5
xdotool key Return
sleep 1
xdotool mousemove 0 0
sleep 0.3
shoot "$main" docs/main-window-expanded-after-slow-write.png

xdotool windowactivate --sync "$main"
xdotool key F1
helpwin=$(timeout 10 xdotool search --sync --onlyvisible --name '^Про програму$' | head -1)
sleep 0.5
echo "About window's name: $(xdotool getwindowname "$helpwin")"
shoot "$helpwin" docs/about-window-title-bar.png
