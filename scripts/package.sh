#!/usr/bin/env bash
# Builds the program's Debian package into build/package/ and prints its path.
# BUILD_DIR picks the build (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) reads the package's dependencies off the binary.
scripts/deps.sh dpkg-dev
build=${BUILD_DIR:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target uploader zor5-flash package_docs >/dev/null
out=$build/package
rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; exit 1; }
ls "$out"/*.deb
