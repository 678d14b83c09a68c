# Sourced by the scripts that show windows: a virtual X server of their own, a
# private runtime folder (the program's virtual ports live there), and pictures
# of windows cut from the screen.
#
#   source scripts/display.sh
#   display_start [WIDTHxHEIGHT]     # exports DISPLAY and XDG_RUNTIME_DIR; stopped at display_stop
#   display_shoot <window id> <file> # the window's rectangle, from the screen
#   display_stop

DISPLAY_XVFB_PID=
DISPLAY_DIR=

display_start() {
  [ -z "$DISPLAY_XVFB_PID" ] || display_stop
  DISPLAY_DIR=$(mktemp -d)
  chmod 700 "$DISPLAY_DIR"
  # -displayfd: Xvfb takes a free number itself and says which once it accepts
  # connections, so two scripts starting at once cannot pick the same one.
  Xvfb -displayfd 9 -screen 0 "${1:-1024x768}x24" -nolisten tcp 9>"$DISPLAY_DIR/display" >/dev/null 2>&1 &
  DISPLAY_XVFB_PID=$!
  local i
  for i in $(seq 200); do
    [ -s "$DISPLAY_DIR/display" ] && break
    kill -0 "$DISPLAY_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$DISPLAY_DIR/display" ]; then
    echo "display_start: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=:$(tr -dc 0-9 <"$DISPLAY_DIR/display")
  export XDG_RUNTIME_DIR=$DISPLAY_DIR/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM
}

display_stop() {
  if [ -n "$DISPLAY_XVFB_PID" ]; then
    kill "$DISPLAY_XVFB_PID" 2>/dev/null || true
    wait "$DISPLAY_XVFB_PID" 2>/dev/null || true
    rm -rf "$DISPLAY_DIR"
    DISPLAY_XVFB_PID= DISPLAY_DIR=
  fi
}

display_shoot() {
  local wid=$1 file=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  import -window root "$DISPLAY_DIR/root.png"
  /usr/bin/convert "$DISPLAY_DIR/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
  echo "$file: ${WIDTH}x${HEIGHT} at $X,$Y"
}
