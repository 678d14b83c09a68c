#!/usr/bin/env bash
# Installs what is missing, builds, and starts the uploader beside the device
# simulator, whose port appears in the port list next to any real one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target uploader devsim
sim_pid=
if [ -x build/tools/devsim/devsim ]; then
  build/tools/devsim/devsim --baud 115200 &
  sim_pid=$!
  trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null' EXIT
  sleep 0.3
fi
build/ui/qt/uploader "$@"
