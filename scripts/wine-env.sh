# Sourced by the Windows test scripts: a wine prefix of the build's own, COM
# ports mapped to the Linux simulator's pseudo-terminals, and the simulators'
# lives, which the Linux side owns (wine cannot stop a Linux process).
#
#   source scripts/wine-env.sh
#   wine_display                       # a display for wine (the caller's when it answers, else an Xvfb)
#   wine_prefix <folder>               # export WINEPREFIX, create it when new
#   devsim_start <name> [devsim options...]   # publishes <name> in $DEVSIM_FOLDER
#   wine_map_com COM5 "$DEVSIM_FOLDER/<name>"  # then wine_restart once
#   devsim_stop <name>                 # SIGINT; it writes its --flash/--transcript files

export WINEDEBUG=-all
# No Mono or Gecko: the prefix is made without asking for them.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=${WINE:-wine}

source "$(dirname "${BASH_SOURCE[0]}")/display.sh"

# The wine server and the services wineboot starts hand their display to every
# later program: started without one, they give windows 0 pixels wide even to a
# program run under a display. So every wine start here comes after this.
wine_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local runtime=${XDG_RUNTIME_DIR:-}
  display_start 1280x800
  # Wine needs only the display; the caller's runtime folder stays.
  if [ -n "$runtime" ]; then export XDG_RUNTIME_DIR=$runtime; else unset XDG_RUNTIME_DIR; fi
}

# Stops the display wine_display started (none when the caller's was used).
wine_display_stop() { display_stop; }

wine_prefix() {
  wine_display
  export WINEPREFIX=$1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # Wine's own fonts (Marlett draws the caption buttons, MS Sans Serif the
  # controls) are not found where Debian puts them: the prefix gets them, as a
  # Windows system has them.
  local font
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] && [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] &&
      cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  return 0
}

# The mapping is read when wine starts: call wine_restart after the last one.
wine_map_com() {
  "$WINE" reg add 'HKLM\Software\Wine\Ports' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}

wine_unmap_com() {
  "$WINE" reg delete 'HKLM\Software\Wine\Ports' /v "$1" /f >/dev/null 2>&1 || true
}

# The server starts here, not inside a wine program: killed at the end, a server
# started by a program would dump its objects onto that program's output.
wine_restart() {
  wine_display
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1
  # Its services too: started by a test program they would hold that program's
  # output open, and ctest would wait on it for ever.
  "$WINE" wineboot >/dev/null 2>&1 </dev/null
}

declare -A DEVSIM_PIDS=()
DEVSIM_FOLDER=${DEVSIM_FOLDER:-}

devsim_start() {
  local name=$1
  shift
  : "${DEVSIM:?path of the devsim program}"
  if [ -z "$DEVSIM_FOLDER" ]; then
    DEVSIM_FOLDER=$(mktemp -d)
    chmod 700 "$DEVSIM_FOLDER"
  fi
  "$DEVSIM" --link-folder "$DEVSIM_FOLDER" --link-name "$name" "$@" >"$DEVSIM_FOLDER/$name.out" 2>&1 &
  DEVSIM_PIDS[$name]=$!
  local i
  for i in $(seq 100); do
    [ -L "$DEVSIM_FOLDER/$name" ] && return 0
    sleep 0.05
  done
  echo "devsim $name did not publish its port" >&2
  cat "$DEVSIM_FOLDER/$name.out" >&2
  return 1
}

devsim_stop() {
  local pid=${DEVSIM_PIDS[$1]:-}
  [ -n "$pid" ] || return 0
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  unset "DEVSIM_PIDS[$1]"
}

devsim_stop_all() {
  local name
  for name in "${!DEVSIM_PIDS[@]}"; do devsim_stop "$name"; done
}
