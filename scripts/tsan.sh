#!/usr/bin/env bash
# Builds the whole tree with clang (warnings on, ThreadSanitizer) in build-tsan/
# and runs the suites that start threads, serial, protocol and ui, under it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev  # ThreadSanitizer and libFuzzer runtimes
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUPLOADER_TSAN=ON >/dev/null
if ! cmake --build build-tsan -j "$(nproc)" >build-tsan/build.log 2>&1; then
  grep -E -A5 'error' build-tsan/build.log | head -60 >&2
  exit 1
fi
if grep -q 'warning:' build-tsan/build.log; then
  grep -A5 'warning:' build-tsan/build.log | head -60 >&2
  echo "clang warnings (all of them in build-tsan/build.log)" >&2
  exit 1
fi
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
status=0
for suite in serial protocol ui; do
  echo "== test_$suite under ThreadSanitizer"
  "build-tsan/tests/$suite/test_$suite" --gtest_brief=1 || status=1
done
exit $status
