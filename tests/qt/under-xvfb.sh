#!/usr/bin/env bash
# Runs a command against a private virtual X server, with Qt on X11.
# Exit 77 (skipped) where no X server or xdotool can be had.
set -uo pipefail
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || exit 77
export DISPLAY=":$(head -1 "$tmp/display")" QT_QPA_PLATFORM=xcb
# Qt on X11 talks to D-Bus, whose library keeps a buffer to the end: not ours.
echo 'leak:libdbus-1.so' >"$tmp/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$tmp/lsan.supp"
"$@"
