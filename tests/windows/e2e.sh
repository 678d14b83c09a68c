#!/usr/bin/env bash
# The Windows program end to end under wine64 and Xvfb, driven with xdotool,
# against the Linux simulator on a COM port:
#   1. the window shows "Мікропрограма готова до запису" with the gauge at 0%;
#   2. Write writes the carried firmware into the simulator (success message);
#   3. restarted, Write again is refused: "Дана версія вже записана в прилад!";
#   4. F1 opens the About window;
#   5. a listed port with no device behind it gives the error box
#      "Спроба відкрити неіснуючий СОМ-порт.";
#   6. the simulator's flash equals the carried firmware's image.
# Texts are read with wintext.exe (a reader of window texts run under wine).
#
#   tests/windows/e2e.sh <x86_64 build folder> <devsim program>
#
# Uses $DISPLAY when it answers, else its own Xvfb; $WINEPREFIX when set, else a prefix
# in the build folder. SCREENSHOTS=<folder> saves the windows' pictures there (the write
# then goes to a device slow to erase, write and program).
set -euo pipefail

here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?x86_64 build folder}" && pwd)
export DEVSIM=${2:?devsim program}
source "$here/scripts/wine-env.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # wine hands our UTF-8 arguments over as UTF-16

exe=$build/ui/win32/uploader.exe
wintext=$build/tests/windows/wintext.exe
title='ZOR-5 Bootloader (від 25.08.21)'
about_title='Про програму'
carried=$here/firmware/carried/firmware-210825.hex
work=$(mktemp -d)
program_pid=
step=start

# Control ids are 100 + the control's row in the main window's layout table.
id_of() {
  awk -v name="$1" '/kMainFormControls\[\] = /{on=1} /WindowLayout kMainForm\{/{on=0}
    on && match($0, /\.name = "[A-Za-z0-9_]+"/) { n = substr($0, RSTART + 9, RLENGTH - 10); if (n == name) { print 100 + i; exit } i++ }' \
    "$here/ui/Layout.h"
}
id_port=$(id_of cbPort)
id_write=$(id_of ButtonWrite)
id_status=$(id_of LabelNameOfHex)
id_gauge=$(id_of ProgressbarReadWrite)

fail() {
  echo "e2e: FAILED at $step: $*" >&2
  exit 1
}

cleanup() {
  set +e
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  devsim_stop_all
  wine_display_stop
  rm -rf "$work"
}
trap cleanup EXIT

wine_display
wine_prefix "${WINEPREFIX:-$build/wine-e2e}"
# Wine draws the frames itself: there is no window manager.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
# The pictures show a device slow to erase, write and program, so that the
# auto-calibration counter has grown to pauses of two digits.
slow=()
[ -z "${SCREENSHOTS:-}" ] || slow=(--erase-ms 30 --write-ms 3 --program-ms 5)
devsim_start e2e --baud 115200 "${slow[@]}" --flash "$work/flash.bin"
wine_map_com COM9 "$DEVSIM_FOLDER/e2e"
wine_restart
# A port the system lists but no device answers to, as a USB adapter pulled
# after the list was read. Wine would make a device for any mapping, so COM12
# is only listed, not mapped; the value lives until the server stops.
"$WINE" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial11' /t REG_SZ /d COM12 /f >/dev/null 2>&1

wt() { "$WINE" "$wintext" "$@" | tr -d '\r'; }

shot() {
  [ -n "${SCREENSHOTS:-}" ] || return 0
  local win=$1 name=$2
  # No tool-tip in the picture.
  xdotool mousemove 0 0
  sleep 0.8
  eval "$(xdotool getwindowgeometry --shell "$win")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SCREENSHOTS/$name"
}

start_program() {
  "$WINE" "$exe" >/dev/null 2>&1 &
  program_pid=$!
  wt wait 60 "$title" >/dev/null || fail "no main window"
  main_window=$(xdotool search --onlyvisible --name "^${title//(/\\(}" | head -1)
  main_window=${main_window:-$(xdotool search --onlyvisible --name 'ZOR-5' | head -1)}
}

stop_program() {
  wt close "$title" || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
}

# Presses the box's button until the box is gone: a press that lands while the
# box is still being made can be lost.
dismiss() {
  local _
  for _ in 1 2 3 4 5; do
    wt press "$1" >/dev/null || true
    wt gone 3 "$1" && return 0
  done
  return 1
}

text_of() { wt texts "$title" | awk -F'\t' -v id="$1" '$1 == id { print $3 }'; }

click_control() {
  local x y w h
  read -r x y w h < <(wt rect "$title" "$1") || fail "no control $1"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

# Chooses a port as the user does: the list opens on a click and an arrow key
# takes the next item (which moves the focus away and closes it), down the list
# and then up, until it shows the name.
select_port() {
  local key i
  for key in Down Up; do
    for i in $(seq 6); do
      [ "$(text_of "$id_port")" = "$1" ] && return 0
      click_control "$id_port"
      sleep 0.3
      xdotool key --window "$main_window" $key
      sleep 0.5
    done
  done
  fail "cannot choose port $1 (shows '$(text_of "$id_port")')"
}

step="ready state"
start_program
wt wait 30 "Мікропрограма готова до запису" >/dev/null || fail "no ready status"
[ "$(text_of "$id_status")" = "Мікропрограма готова до запису" ] || fail "status '$(text_of "$id_status")'"
[ "$(text_of "$id_gauge")" = "0%" ] || fail "gauge shows '$(text_of "$id_gauge")'"
shot "$main_window" windows-main-window.png
echo "e2e: ready: status and gauge 0%"

step="write"
select_port COM9
started=$(date +%s.%N)
click_control "$id_write"
box=$(wt wait 300 "Мікропрограма успішно завантажена в") || fail "no success message"
finished=$(date +%s.%N)
grep -q "$title" <<<"$box" || fail "message box caption: $box"
[ -n "${SCREENSHOTS:-}" ] && import -window root "$work/box.png"
dismiss "Мікропрограма успішно завантажена в" || fail "message box stays"
text_of "$id_status" | grep -q "^Мікропрограма : успішно завантажена в " || fail "status '$(text_of "$id_status")'"
[ "$(text_of "$id_gauge")" = "0%" ] || fail "gauge after the write shows '$(text_of "$id_gauge")'"
shot "$main_window" windows-main-window-after-write.png
echo "e2e: write: success message after $(awk -v a="$started" -v b="$finished" 'BEGIN { printf "%.1f", b - a }') s"

step="expanded"
xdotool key --window "$main_window" ctrl+shift+e
sleep 1
shot "$main_window" windows-main-window-expanded.png
stop_program

step="write again"
start_program
wt wait 30 "Мікропрограма готова до запису" >/dev/null || fail "no ready status"
select_port COM9
click_control "$id_write"
wt wait 60 "Дана версія вже записана в прилад!" >/dev/null || fail "no refusal"
dismiss "Дана версія вже записана в прилад!" || fail "message box stays"
echo "e2e: restarted: write refused, the version is in the device"

step="About"
xdotool key --window "$main_window" F1
about_window=
for _ in $(seq 50); do
  about_window=$(xdotool search --onlyvisible --name "$about_title" | head -1) && [ -n "$about_window" ] && break
  sleep 0.1
done
[ -n "$about_window" ] || fail "F1 shows no About window"
wt texts "$about_title" | grep -q "ОК" || fail "About window without its OK button"
shot "$about_window" windows-about-window.png
xdotool key --window "$about_window" F1
wt gone 10 "$about_title" || fail "F1 in the About window leaves it open"
echo "e2e: F1 opens the About window, F1 there closes it"

step="no such port"
select_port COM12
click_control "$id_write"
box=$(wt wait 60 "Спроба відкрити неіснуючий СОМ-порт") || fail "no error box"
grep -q "$title" <<<"$box" || fail "error box caption: $box"
grep -q "Спроба відкрити неіснуючий СОМ-порт\.$" <<<"$box" || fail "error box text: $box"
echo "e2e: a port that does not exist: the error box \"Спроба відкрити неіснуючий СОМ-порт.\""
dismiss "Спроба відкрити неіснуючий СОМ-порт" || fail "error box stays"
stop_program

step="flash"
devsim_stop e2e
devsim_start expected --hex "$carried" --flash "$work/expected.bin"
devsim_stop expected
cmp -s "$work/flash.bin" "$work/expected.bin" || fail "the device's flash differs from the firmware's image"
echo "e2e: the device's flash equals the carried firmware's image ($(stat -c %s "$work/flash.bin") bytes)"
echo "e2e: passed"
