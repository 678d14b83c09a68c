#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once plainly, once with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
  # The suites under the sanitizers; the benchmarks are built and run plainly.
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DUPLOADER_SANITIZE=ON -DUPLOADER_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi
