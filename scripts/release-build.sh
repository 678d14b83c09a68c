#!/usr/bin/env bash
# Builds what a release hands out from one source tree into one folder:
#
#   scripts/release-build.sh <source> <output folder> [all|uploader-win32]
#
# all: the Debian package of the Linux programs, and the Windows zip (the 32-bit
# programs with their note). uploader-win32: the 32-bit uploader.exe alone, the
# small part the CI builds twice. SOURCE_DATE_EPOCH (the commit's time) stands
# in for every time stamp. scripts/reproducible.sh runs this twice and compares.
set -euo pipefail
src=$(cd "${1:?source tree}" && pwd)
mkdir -p "${2:?output folder}"
out=$(cd "$2" && pwd)
part=${3:-all}
: "${SOURCE_DATE_EPOCH:?the commit time, in seconds}"
export TZ=UTC LC_ALL=C.UTF-8
umask 022
# A compiler cache keyed without the build paths could hide a path that leaks
# into an object: every object here is compiled afresh.
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
jobs=$(nproc)
"$src/scripts/deps.sh" dpkg-dev zip g++-mingw-w64-i686-posix

configure() {  # <build folder> [cmake options...]
  local build=$1
  shift
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DUPLOADER_RELEASE=ON -DUPLOADER_BUILD_TESTS=OFF "$@" >/dev/null
}
build() {  # <build folder> <targets...>: quiet unless it fails
  local build=$1
  shift
  cmake --build "$build" -j "$jobs" --target "$@" >"$build/release-build.log" 2>&1 ||
    { cat "$build/release-build.log" >&2; exit 1; }
}

win=$src/build-release-win32
configure "$win" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake"
version=$(sed -n 's/^#define UPLOADER_VERSION "\(.*\)"$/\1/p' "$win/version/Version.h")
[ -n "$version" ] || { echo "release: no version in $win/version/Version.h" >&2; exit 1; }

if [ "$part" = uploader-win32 ]; then
  build "$win" uploader
  cp "$win/ui/win32/uploader.exe" "$out/"
  exit 0
fi
[ "$part" = all ] || { echo "release: no part named $part" >&2; exit 2; }

# Windows: the programs and their note in a zip whose members have fixed times,
# modes and order.
programs=(uploader zor5-flash)
build "$win" "${programs[@]}"
stage=$win/zip/zor5-bootloader-$version-windows
rm -rf "$win/zip"
mkdir -p "$stage"
cp "$win/ui/win32/uploader.exe" "$win/cli/zor5-flash.exe" "$win/README.txt" "$stage/"
for exe in "$stage"/*.exe; do bash "$src/scripts/check-pe.sh" i686 "$exe" >/dev/null; done
chmod 644 "$stage"/*
chmod 755 "$stage"
touch -h -d "@$SOURCE_DATE_EPOCH" "$stage"/* "$stage"
zipname=zor5-bootloader-$version-windows-x86.zip
(cd "$win/zip" && zip -q -X -9 "$out/$zipname" "${stage##*/}/" "${stage##*/}/README.txt" \
  "${stage##*/}/uploader.exe" "${stage##*/}/zor5-flash.exe")

# Linux: the Debian package.
lin=$src/build-release
configure "$lin"
build "$lin" uploader zor5-flash package_docs
rm -rf "$lin/package"
cpack --config "$lin/CPackConfig.cmake" -B "$lin/package" >"$lin/cpack.log" 2>&1 ||
  { cat "$lin/cpack.log" >&2; exit 1; }
cp "$lin/package"/*.deb "$out/"
