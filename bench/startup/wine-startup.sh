#!/usr/bin/env bash
# Start-up of the Windows program under wine64 against the Linux (Qt) program, in
# the same run, alternating: from the process start to its main window on the
# screen. Both show the window only after their creation handler has reached the
# ready state, so this is the time to the ready state as a user sees it (the
# screen is polled every 20 ms). The first round of each warms the caches.
#
#   bench/startup/wine-startup.sh <x86_64 build folder> <Linux build folder> [rounds]
#
# Needs a wine prefix (WINEPREFIX); uses $DISPLAY when it answers, else its own Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
win=${1:?x86_64 build folder}
linux=${2:?Linux build folder}
rounds=${3:-5}
source "$here/scripts/wine-env.sh"
: "${WINEPREFIX:?a wine prefix}"
# The server is started here, under the display.
wine_restart
trap 'wineserver -k 2>/dev/null; wine_display_stop' EXIT
title='ZOR-5 Bootloader (від 25.08.21)'

now() { date +%s%N; }

# Starts the program, waits for its window, ends it; prints milliseconds.
measure() {
  local start pid
  start=$(now)
  "$@" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^ZOR-5 Bootloader" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "program ended before its window" >&2; return 1; }
    sleep 0.02
  done
  echo $((($(now) - start) / 1000000))
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  while xdotool search --onlyvisible --name "^ZOR-5 Bootloader" >/dev/null 2>&1; do sleep 0.05; done
}

windows=()
qt=()
for round in $(seq 0 "$rounds"); do
  w=$(measure "$WINE" "$win/ui/win32/uploader.exe")
  l=$(measure env QT_QPA_PLATFORM=xcb "$linux/ui/qt/uploader")
  ((round == 0)) && continue
  windows+=("$w")
  qt+=("$l")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
mw=$(median "${windows[@]}")
ml=$(median "${qt[@]}")
echo "start-up to the ready window, median of $rounds rounds:"
echo "  Windows program under wine64: $mw ms  (${windows[*]})"
echo "  Linux Qt program:             $ml ms  (${qt[*]})"
awk -v w="$mw" -v l="$ml" 'BEGIN { printf "  ratio wine / Linux: %.1f\n", w / l }'
