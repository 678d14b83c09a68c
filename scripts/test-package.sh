#!/usr/bin/env bash
# Builds the Debian package and checks it as a user meets it: its contents, lintian,
# the AppStream data and the menu entry; installs it with dpkg -i, starts the installed
# program from the PATH under a virtual X server to its ready window, and removes it.
# BUILD_DIR picks the build (default: build), as for scripts/package.sh.
# SHOTS=<folder> also saves the installed program's window and its menu entry there.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
extra=(lintian appstream desktop-file-utils)
[ -n "${SHOTS:-}" ] && extra+=(rofi)
scripts/deps.sh "${extra[@]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

fail() { echo "test-package: $*" >&2; exit 1; }

debs=($(scripts/package.sh))
[ ${#debs[@]} -eq 1 ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}
pkg=$(dpkg-deb -f "$deb" Package)
echo "== $deb: $(du -k "$deb" | cut -f1) KB, $(dpkg-deb -f "$deb" Installed-Size) KB installed"
dpkg-deb -f "$deb" Package Version Depends Description

tmp=$(mktemp -d)
app=
xvfb=
installed=0
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ "$installed" = 1 ] && "${sudo_cmd[@]}" dpkg -P "$pkg" >/dev/null 2>&1
  rm -rf "$tmp"
}
trap cleanup EXIT

# The contents: the program under its own name, its menu entry, icons and
# documentation; nothing of the developers' (simulator, tools, libraries, headers).
dpkg -c "$deb" | awk '{print $6}' >"$tmp/files"
desktop=$(grep -E '^\./usr/share/applications/.+\.desktop$' "$tmp/files") || fail "no menu entry"
for f in ./usr/bin/$pkg ./usr/share/man/man1/$pkg.1.gz ./usr/bin/zor5-flash ./usr/share/man/man1/zor5-flash.1.gz \
  ./usr/share/doc/$pkg/copyright ./usr/share/doc/$pkg/changelog.Debian.gz ./usr/share/doc/$pkg/README.Debian; do
  grep -qx "$f" "$tmp/files" || fail "missing $f"
done
grep -qE '^\./usr/share/metainfo/.+\.metainfo\.xml$' "$tmp/files" || fail "no AppStream metainfo"
for s in 16 22 24 32 48 64 128 256; do
  grep -qx "./usr/share/icons/hicolor/${s}x${s}/apps/$pkg.png" "$tmp/files" || fail "no ${s}x${s} icon"
done
if grep -E 'devsim|hexgen|make_pictures|bench|/include/|\.a$|/uploader$' "$tmp/files"; then
  fail "developers' files in the user package"
fi
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends does not name the Qt libraries"
grep -q "dialout" <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/$pkg/README.Debian) ||
  fail "README.Debian does not tell about the dialout group"

echo "== lintian"
lintian_rc=0
lintian --fail-on error -I "$deb" >"$tmp/lintian" 2>&1 || lintian_rc=$?
grep -v 'root privileges' "$tmp/lintian" || true
[ "$lintian_rc" = 0 ] || fail "lintian found errors"

mkdir "$tmp/root"
dpkg-deb -x "$deb" "$tmp/root"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$tmp"/root/usr/share/metainfo/*.metainfo.xml
echo "== desktop-file-validate"
desktop-file-validate "$tmp/root/$desktop"
title=$(sed -n 's/^Name=//p' "$tmp/root/$desktop")
icon=$(sed -n 's/^Icon=//p' "$tmp/root/$desktop")
exec_name=$(sed -n 's/^Exec=//p' "$tmp/root/$desktop")
[ "$icon" = "$pkg" ] || fail "the menu entry's icon is $icon"

# dpkg waits for no one: another apt or dpkg on this machine makes it retry.
dpkg_locked() {
  local log=$tmp/dpkg.log
  for _ in $(seq 90); do
    if "${sudo_cmd[@]}" dpkg "$@" >"$log" 2>&1; then return 0; fi
    grep -qi 'lock' "$log" || { cat "$log" >&2; return 1; }
    sleep 2
  done
  cat "$log" >&2
  return 1
}

echo "== dpkg -i"
installed=1
dpkg_locked -i "$deb" || fail "dpkg -i failed"
[ "$(command -v "$exec_name")" = "/usr/bin/$pkg" ] || fail "$exec_name is not on the PATH"

# The installed program, started as the menu starts it, with no device: it lists
# the ports it finds (none published here) and is ready all the same.
mkfifo "$tmp/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$tmp/display"
export DISPLAY=:$display
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
"$exec_name" >"$tmp/app.log" 2>&1 &
app=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$app" --name 'Bootloader' | head -1) ||
  { cat "$tmp/app.log"; fail "no window of the installed program"; }
[ "$(xdotool getwindowname "$window")" = "$title" ] ||
  fail "the window's title '$(xdotool getwindowname "$window")' is not the menu entry's '$title'"
# An error box during start-up carries the same title: the ready window is the main
# window in its compact size, and the only one shown.
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = 302x132 ] || fail "the window shown is ${WIDTH}x${HEIGHT}, not the main window"
shown=$(xdotool search --onlyvisible --pid "$app" --name . | wc -l)
[ "$shown" = 1 ] || fail "$shown windows shown at start"
echo "== window '$title' shown by $(readlink /proc/$app/exe)"

if [ -n "${SHOTS:-}" ]; then
  mkdir -p "$SHOTS"
  import -window root "$tmp/root.png"
  /usr/bin/convert "$tmp/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOTS/installed-window.png"
  # The menu entry as a launcher shows it: the installed icon beside the entry's name.
  kill "$app"; wait "$app" 2>/dev/null || true; app=
  rofi -show drun -show-icons -filter ZOR -icon-theme hicolor -drun-display-format '{name}' \
    -theme-str 'window {width: 420px;} listview {lines: 3;} element-icon {size: 48px;}' >/dev/null 2>&1 &
  app=$!
  timeout 15 xdotool search --sync --onlyvisible --pid "$app" --class rofi >/dev/null || fail "no menu"
  sleep 1
  # The launcher covers the screen; its box is what stands out of the black.
  import -window root "$tmp/root.png"
  /usr/bin/convert "$tmp/root.png" -trim +repage "$SHOTS/menu-entry.png"
  echo "== pictures in $SHOTS"
fi

kill "$app"
wait "$app" 2>/dev/null || true
app=

echo "== dpkg -r"
dpkg_locked -r "$pkg" || fail "dpkg -r failed"
installed=0
! command -v "$exec_name" >/dev/null || fail "$exec_name is still on the PATH after removal"
echo "test-package: passed in $(($(date +%s) - started)) s"
