#!/usr/bin/env bash
# Builds the Windows program's sources for i686 (the shipped 32-bit build) and
# x86_64, and runs the Windows suites under wine64: this machine cannot execute
# 32-bit code, so the x86_64 build is the one run. The simulator runs on the
# Linux side, behind COM ports that wine maps to its pseudo-terminals.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

# The Linux build's packages (the simulator is built here) and the cross tools.
scripts/deps.sh g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 fonts-wine x11-utils

# The simulator, built natively (the Linux build may already have it).
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target devsim
export DEVSIM=$root/build/tools/devsim/devsim

# i686: the shipped program and a test program, linked and inspected (not run).
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win32 -j "$jobs" --target uploader zor5-flash test_windows_serial
# x86_64: everything, to run.
cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win64 -j "$jobs"

# 32-bit programs that import system DLLs only.
bash scripts/check-pe.sh i686 build-win32/ui/win32/uploader.exe
bash scripts/check-pe.sh i686 build-win32/tests/windows/test_windows_serial.exe
bash scripts/check-pe.sh i686 build-win32/cli/zor5-flash.exe
bash scripts/check-pe.sh x86_64 build-win64/ui/win32/uploader.exe

source scripts/wine-env.sh
wine_prefix "$root/build-win64/wineprefix"
work=$(mktemp -d)
chmod 700 "$work"
DEVSIM_FOLDER=$work/ports
mkdir -m 700 "$DEVSIM_FOLDER"
cleanup() {
  devsim_stop_all
  wineserver -k 2>/dev/null || true
  wine_display_stop
  rm -rf "$work"
}
trap cleanup EXIT

devsim_start device --flash "$work/flash.bin"
devsim_start silent --silent
devsim_start hangup --hang-up-after 1
wine_map_com COM5 "$DEVSIM_FOLDER/device"
wine_map_com COM6 "$DEVSIM_FOLDER/silent"
wine_map_com COM7 "$DEVSIM_FOLDER/hangup"
wine_restart

export UPLOADER_TEST_COM=COM5 UPLOADER_TEST_COM_SILENT=COM6 UPLOADER_TEST_COM_HANGUP=COM7
export UPLOADER_TEST_IMAGE_OUT=$work/image.bin
# One program at a time: they share the simulators. The view's tests make
# windows on the display the server was started under.
ctest --test-dir build-win64 --output-on-failure -j 1

# What the write procedure sent is what the device's flash now holds.
devsim_stop device
cmp "$work/flash.bin" "$work/image.bin"
echo "Windows: the simulator's flash equals the written image ($(stat -c %s "$work/flash.bin") bytes)"

# zor5-flash.exe writing two COM ports at once, each a simulator of its own.
small=(--geometry 10,64,8 --erased --description 210824)
devsim_start left --flash "$work/left.bin" "${small[@]}"
devsim_start right --flash "$work/right.bin" "${small[@]}"
wine_map_com COM8 "$DEVSIM_FOLDER/left"
wine_map_com COM9 "$DEVSIM_FOLDER/right"
wine_restart
"$WINE" build-win64/cli/zor5-flash.exe write --log "$(winepath -w "$work/flash.jsonl")" COM8 COM9 </dev/null ||
  { echo "zor5-flash.exe write failed: exit $?" >&2; exit 1; }
devsim_stop left
devsim_stop right
for side in left right; do cmp -n "$(stat -c %s "$work/$side.bin")" "$work/$side.bin" "$work/image.bin"; done
[ "$(grep -c '"outcome":"written"' "$work/flash.jsonl")" = 2 ] || { cat "$work/flash.jsonl" >&2; exit 1; }
echo "Windows: zor5-flash.exe wrote COM8 and COM9 at once; both flashes equal the image"

# The program itself, in its window under Xvfb, driven as a user would.
cleanup
trap - EXIT
bash tests/windows/e2e.sh build-win64 "$DEVSIM"
